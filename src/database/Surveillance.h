#pragma once

#include <chrono>

struct sqlite3;

// What bounds the statements of the open connections: a time limit per
// statement, and an interruption that another thread (the one that waits on
// the signals) may ask for at any moment.
namespace Surveillance {

// 120 s. The environment variable CORVANE_DELAI_REQUETE (whole seconds, read
// once) sets another limit: tests use it to meet a never-ending view in seconds.
std::chrono::milliseconds delaiRequete();

// Safe from any thread. Every statement running on a connection that
// Connection opened fails with SQLITE_INTERRUPT, and so does every statement
// started after it until reprendre().
void interrompreTout();
void reprendre();
bool interrompu();

// Kept by Connection: the connections interrompreTout() reaches.
void inscrire(sqlite3 *db);
void desinscrire(sqlite3 *db);

} // namespace Surveillance
