// The keyword chain, family by family.
//
// Every mnemonic differs from every other one without regard to letter case, so the
// order in which the families are added cannot change which handler a statement
// runs (a unit test checks that the names stay distinct). Each family adds its
// mnemonics from its own source, with a one-line summary of each beside its name.
#include "Families.h"
#include "../KeywordChain.h"

void BuildKeywordChain(CKeywordChain& chain)
{
    AddFlowInstructions(chain);
    AddPortInstructions(chain);
    AddBitInstructions(chain);
    AddInfraredInstructions(chain);
    AddDataInstructions(chain);
    AddDialogInstructions(chain);
    AddFtdiInstructions(chain);
    AddSystemInstructions(chain);
}
