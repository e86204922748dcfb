#include <txq/llk/collections/LLKPUniqueable.h>

namespace {
constexpr const LLKProtocol* kUniqueableAdopts[] = {&LLKPComparable::kProtocol, nullptr};
}  // namespace

constinit const LLKProtocol LLKPUniqueable::kProtocol{"LLKPUniqueable", kUniqueableAdopts};
