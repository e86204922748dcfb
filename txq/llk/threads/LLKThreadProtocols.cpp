#include <txq/llk/threads/LLKPInvocable.h>
#include <txq/llk/threads/LLKPSignaling.h>

namespace {
constexpr const LLKProtocol* kRoleAdopts[] = {&LLKPObject::kProtocol, nullptr};
}  // namespace

constinit const LLKProtocol LLKPSignaling::kProtocol{"LLKPSignaling", kRoleAdopts};
constinit const LLKProtocol LLKPInvocable::kProtocol{"LLKPInvocable", kRoleAdopts};
