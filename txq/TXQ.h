#ifndef TXQ_TXQ_H
#define TXQ_TXQ_H
// Everything TXQ offers: #include <txq/TXQ.h> and link with -lTXQ.

#include <txq/LLK.h>
#include <txq/AOK.h>

#endif  // TXQ_TXQ_H
