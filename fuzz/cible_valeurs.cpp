// libFuzzer entry: see EntreesFuzz.h.
#include "EntreesFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *donnees, std::size_t taille)
{
    return fuzz::valeurs(donnees, taille);
}
