#pragma once

#include <QString>

class BaseFlotte;

// The fleet's schema "corvane": created when absent, checked when present.
// Sales and uploads are partitioned by kiosk (LIST on the kiosk's number);
// each kiosk gets its partitions at its first import.
namespace SchemaFlotte {

constexpr int Version = 1;

// Creates the schema in its own transaction if it is absent (when `creer`;
// else SchemaInconnu); throws ErreursFlotte::SchemaInconnu when "corvane"
// holds another version or is not the fleet's.
void verifier(BaseFlotte &base, bool creer = true);

// The kiosk's number, or -1 when the fleet does not know it (reports).
int numeroBorne(BaseFlotte &base, const QString &nom);

// Inside the import's transaction: the kiosk's number, its row and its
// partitions created at its first import.
int preparerBorne(BaseFlotte &base, const QString &nom);

} // namespace SchemaFlotte
