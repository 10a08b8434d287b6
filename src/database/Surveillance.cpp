#include "database/Surveillance.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <sqlite3.h>
#include <vector>

namespace {

std::atomic<bool> g_interrompu{false};
std::mutex g_verrou;                 // a handle is never interrupted once closed
std::vector<sqlite3 *> g_connexions;

} // namespace

namespace Surveillance {

std::chrono::milliseconds delaiRequete()
{
    static const std::chrono::milliseconds delai = [] {
        const char *texte = std::getenv("CORVANE_DELAI_REQUETE");
        const long secondes = texte ? std::strtol(texte, nullptr, 10) : 0;
        return std::chrono::milliseconds(secondes > 0 ? secondes * 1000 : 120'000);
    }();
    return delai;
}

void interrompreTout()
{
    g_interrompu = true;
    const std::lock_guard garde(g_verrou);
    for (sqlite3 *db : g_connexions)
        sqlite3_interrupt(db);
}

void reprendre() { g_interrompu = false; }

bool interrompu() { return g_interrompu; }

void inscrire(sqlite3 *db)
{
    const std::lock_guard garde(g_verrou);
    g_connexions.push_back(db);
}

void desinscrire(sqlite3 *db)
{
    const std::lock_guard garde(g_verrou);
    g_connexions.erase(std::remove(g_connexions.begin(), g_connexions.end(), db), g_connexions.end());
}

} // namespace Surveillance
