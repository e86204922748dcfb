#include <txq/llk/threads/LLKFThreadKey.h>

#include <pthread.h>

#include <new>

// The handle is a heap cell around the POSIX key.
struct LLKTThreadKey {
  pthread_key_t key;
};

LLKTThreadKey* LLKFThreadKeyCreate(LLKFThreadKeyDestructor destructor) noexcept {
  auto* cell = new (std::nothrow) LLKTThreadKey();
  if (cell == nullptr) return nullptr;
  if (pthread_key_create(&cell->key, destructor) != 0) {
    delete cell;
    return nullptr;
  }
  return cell;
}

void LLKFThreadKeyDelete(LLKTThreadKey* key) noexcept {
  if (key == nullptr) return;
  pthread_key_delete(key->key);
  delete key;
}

void* LLKFThreadKeyFetch(LLKTThreadKey* key) noexcept {
  return key != nullptr ? pthread_getspecific(key->key) : nullptr;
}

void LLKFThreadKeyStore(LLKTThreadKey* key, void* value) noexcept {
  if (key != nullptr) pthread_setspecific(key->key, value);
}
