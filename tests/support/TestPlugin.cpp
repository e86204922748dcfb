// A plugin module with a class of its own, for the registry tests (loaded with dlopen).
#include <txq/llk/object/LLKBObject.h>

class PluginWidget : public LLKBObject {
  LLK_OBJECT(PluginWidget, LLKBObject)

 public:
  LLKBObject* self() noexcept { return this; }
};

LLK_DEFINE_CLASS(PluginWidget, LLK_PROTOCOLS(LLKPEncodable), self)
LLK_MODULE_CLASSES()
