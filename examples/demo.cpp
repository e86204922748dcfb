#include <txq/TXQ.h>
int main() { llk::AutoreleaseScope pool; LLKFLog("%s", LLKCString::stringWithFormat("hello %d", 1)->chars()); }
