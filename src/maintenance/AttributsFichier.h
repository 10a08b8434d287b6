#pragma once

#include <QString>

namespace Maintenance {

// Gives `copie` the permission bits of `modele` (the file a link names), and
// its owner and group where the process may set them: a database readable by
// its owner only stays so once replaced. Returns "" or, when the copy could
// not keep them, a French note for the log.
QString garderAttributs(const QString &modele, const QString &copie);

} // namespace Maintenance
