// libFuzzer entry: see EntreesNoyau.h.
#include "EntreesNoyau.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *donnees, std::size_t taille)
{
    return fuzz::configuration(donnees, taille);
}
