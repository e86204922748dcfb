#include <txq/llk/object/LLKProtocols.h>

namespace {
constexpr const LLKProtocol* kObjectOnly[] = {&LLKPObject::kProtocol, nullptr};
constexpr const LLKProtocol* kKeyableAdopts[] = {&LLKPComparable::kProtocol, &LLKPHashable::kProtocol, nullptr};
}  // namespace

constinit const LLKProtocol LLKPObject::kProtocol{"LLKPObject", nullptr};
constinit const LLKProtocol LLKPCopyable::kProtocol{"LLKPCopyable", kObjectOnly};
constinit const LLKProtocol LLKPComparable::kProtocol{"LLKPComparable", kObjectOnly};
constinit const LLKProtocol LLKPHashable::kProtocol{"LLKPHashable", kObjectOnly};
constinit const LLKProtocol LLKPKeyable::kProtocol{"LLKPKeyable", kKeyableAdopts};
constinit const LLKProtocol LLKPEncodable::kProtocol{"LLKPEncodable", kObjectOnly};
