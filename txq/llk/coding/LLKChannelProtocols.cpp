#include <txq/llk/coding/LLKPDisposable.h>
#include <txq/llk/coding/LLKPPositionable.h>

namespace {
constexpr const LLKProtocol* kRoleAdopts[] = {&LLKPObject::kProtocol, nullptr};
}  // namespace

constinit const LLKProtocol LLKPPositionable::kProtocol{"LLKPPositionable", kRoleAdopts};
constinit const LLKProtocol LLKPDisposable::kProtocol{"LLKPDisposable", kRoleAdopts};
