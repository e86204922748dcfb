// A program built against the installed library: a class of its own, a pool, a string.
#include <cstdio>

#include <txq/TXQ.h>

class Greeter : public LLKBObject {
  LLK_OBJECT(Greeter, LLKBObject)

 public:
  LLKCString* toString() noexcept override { return LLKCString::stringWithFormat("hello from TXQ %p", static_cast<void*>(this)); }
};
LLK_DEFINE_CLASS(Greeter, LLK_PROTOCOLS(), toString)
LLK_MODULE_CLASSES()

int main() {
  llk::AutoreleaseScope pool;
  auto greeter = llk::make<Greeter>();
  if (!greeter || LLKClassFromName("Greeter") != Greeter::classObject()) return 1;
  std::printf("consumer: %s\n", greeter->toChars());
  return 0;
}
