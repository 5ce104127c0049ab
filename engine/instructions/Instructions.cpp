// The order in which the families' mnemonics are compared.
#include "../KeywordChain.h"

void BuildKeywordChain(CKeywordChain& chain)
{
    (void)chain;
}
