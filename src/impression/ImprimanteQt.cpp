#include "impression/ImprimanteQt.h"

#include "shared/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <cerrno>
#include <cmath>
#include <optional>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

RuntimeError erreurImprimante(const QString &detail)
{
    return RuntimeError(Erreurs::Imprimante, QStringLiteral("Erreur d'imprimante : ") + detail);
}

// What the system says of a failed file operation, in French.
QString raisonSysteme(int erreur)
{
    switch (erreur) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permission refusée");
    case ENOENT:
        return QStringLiteral("dossier introuvable");
    case ENOTDIR:
        return QStringLiteral("une partie du chemin n'est pas un dossier");
    case EISDIR:
        return QStringLiteral("c'est un dossier");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("le disque est plein");
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    default:
        return QString::fromLocal8Bit(std::strerror(erreur));
    }
}

// The PDF is drawn into a new file beside its name, which it takes only once
// complete and on the disk: a failure never leaves a half-written PDF, nor
// destroys the file that had the name.
class PdfBeside
{
public:
    explicit PdfBeside(const QString &fichier) : m_fichier(fichier)
    {
        const QFileInfo info(fichier);
        QByteArray modele = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                              + QStringLiteral(".XXXXXX"));
        const int fd = ::mkstemp(modele.data());
        if (fd < 0)
            throw echec(errno);
        // mkstemp's 0600: the PDF takes the mode of the file it replaces, or the usual one.
        struct stat existant;
        const mode_t masque = ::umask(0);
        ::umask(masque);
        ::fchmod(fd, ::stat(QFile::encodeName(fichier).constData(), &existant) == 0 ? existant.st_mode & 07777
                                                                                     : 0666 & ~masque);
        ::close(fd);
        m_temporaire = QFile::decodeName(modele);
    }
    ~PdfBeside()
    {
        if (!m_temporaire.isEmpty())
            ::unlink(QFile::encodeName(m_temporaire).constData());
    }
    PdfBeside(const PdfBeside &) = delete;
    PdfBeside &operator=(const PdfBeside &) = delete;

    const QString &temporaire() const { return m_temporaire; }

    // fsync of the file, rename over the final name, fsync of the folder.
    void publier()
    {
        const QByteArray temporaire = QFile::encodeName(m_temporaire);
        const int fd = ::open(temporaire.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const int e = errno;
            if (fd >= 0)
                ::close(fd);
            throw echec(e);
        }
        ::close(fd);
        if (::rename(temporaire.constData(), QFile::encodeName(m_fichier).constData()) != 0)
            throw echec(errno);
        m_temporaire.clear();
        const int dossier = ::open(QFile::encodeName(QFileInfo(m_fichier).absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dossier >= 0) {
            ::fsync(dossier);
            ::close(dossier);
        }
    }

    RuntimeError echec(int erreur) const
    {
        return erreurImprimante(
            QStringLiteral("le fichier « %1 » n'a pas pu être écrit : %2.").arg(m_fichier, raisonSysteme(erreur)));
    }

private:
    QString m_fichier;
    QString m_temporaire;
};

// Qt's own English warning of a painter that cannot start: the error says it in French.
QtMessageHandler g_gestionnairePrecedent = nullptr;
void filtrerQPainter(QtMsgType type, const QMessageLogContext &contexte, const QString &message)
{
    if (message.startsWith(QLatin1String("QPainter::begin")))
        return;
    if (g_gestionnairePrecedent)
        g_gestionnairePrecedent(type, contexte, message);
}

bool commencer(QPainter &painter, QPrinter *printer)
{
    g_gestionnairePrecedent = qInstallMessageHandler(filtrerQPainter);
    const bool ok = painter.begin(printer);
    qInstallMessageHandler(g_gestionnairePrecedent);
    return ok;
}

struct Fragment
{
    QPointF position;   // of the baseline's start, in printer pixels
    QString texte;
};

} // namespace

struct ImprimanteQt::Document
{
    std::unique_ptr<QPrinter> printer;
    QFont police;
    qreal interligne = 0;
    qreal ascendante = 0;
    qreal hauteurPage = 0;
    qreal tabulation = 0;
    std::vector<std::vector<Fragment>> pages;
    qreal y = 0;            // top of the next line on the current page
};

ImprimanteQt::ImprimanteQt(RechercheImprimante recherche) : m_recherche(std::move(recherche)) {}

std::unique_ptr<ImprimanteQt> ImprimanteQt::versPdf(const QString &fichier)
{
    auto imprimante = std::make_unique<ImprimanteQt>();
    imprimante->m_fichierPdf = fichier;
    return imprimante;
}

ImprimanteQt::~ImprimanteQt() = default;

void ImprimanteQt::ouvrir()
{
    auto doc = std::make_unique<Document>();
    if (m_fichierPdf.isEmpty()) {
        const QPrinterInfo info = m_recherche ? m_recherche() : QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw erreurImprimante(QStringLiteral("aucune imprimante par défaut n'est installée."));
        doc->printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!doc->printer->isValid())
            throw erreurImprimante(QStringLiteral("l'imprimante « %1 » n'est pas disponible.").arg(info.printerName()));
    } else {
        doc->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        doc->printer->setOutputFormat(QPrinter::PdfFormat);
    }
    doc->police = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QFontMetricsF fm(doc->police, doc->printer.get());
    doc->interligne = fm.lineSpacing();
    doc->ascendante = fm.ascent();
    doc->hauteurPage = doc->printer->height();
    doc->tabulation = TabulationCaracteres * fm.averageCharWidth();
    if (doc->interligne <= 0 || doc->tabulation <= 0 || doc->hauteurPage <= 0)
        throw erreurImprimante(QStringLiteral("la page ou la police de l'imprimante est inutilisable."));
    doc->pages.emplace_back();
    d = std::move(doc);
}

void ImprimanteQt::imprimerLigne(const QString &texte)
{
    if (!d)
        ouvrir();
    static const QRegularExpression finDeLigne(QStringLiteral("\r\n|\r|\n"));
    const QFontMetricsF fm(d->police, d->printer.get());
    for (const QString &ligne : texte.split(finDeLigne)) {
        if (d->y > 0 && d->y + d->interligne > d->hauteurPage) {
            d->pages.emplace_back();
            d->y = 0;
        }
        qreal x = 0;
        const QStringList morceaux = ligne.split(QLatin1Char('\t'));
        for (qsizetype i = 0; i < morceaux.size(); ++i) {
            if (i > 0)
                x = (std::floor(x / d->tabulation + 1e-9) + 1) * d->tabulation;
            if (!morceaux[i].isEmpty()) {
                d->pages.back().push_back({QPointF(x, d->y + d->ascendante), morceaux[i]});
                x += fm.horizontalAdvance(morceaux[i]);
            }
        }
        d->y += d->interligne;
    }
}

void ImprimanteQt::finDocument()
{
    if (!d)
        return;
    const std::unique_ptr<Document> doc = std::move(d);
    std::optional<PdfBeside> pdf;
    if (!m_fichierPdf.isEmpty()) {
        pdf.emplace(m_fichierPdf);
        doc->printer->setOutputFileName(pdf->temporaire());
    }
    QPainter painter;
    if (!commencer(painter, doc->printer.get())) {
        if (pdf)
            throw erreurImprimante(QStringLiteral("le fichier « %1 » n'a pas pu être écrit.").arg(m_fichierPdf));
        throw erreurImprimante(QStringLiteral("le document n'a pas pu être ouvert sur l'imprimante."));
    }
    painter.setFont(doc->police);
    for (std::size_t p = 0; p < doc->pages.size(); ++p) {
        if (p > 0 && !doc->printer->newPage())
            throw erreurImprimante(QStringLiteral("l'imprimante a refusé une nouvelle page."));
        for (const Fragment &f : doc->pages[p])
            painter.drawText(f.position, f.texte);
    }
    if (!painter.end())
        throw erreurImprimante(QStringLiteral("le document n'a pas pu être transmis à l'imprimante."));
    if (pdf)
        pdf->publier();
}

namespace ImprimanteParDefaut {

namespace {
QString g_fichierPdf;
ImprimanteQt::RechercheImprimante g_recherche;
} // namespace

std::unique_ptr<Imprimante> creer()
{
    if (!g_fichierPdf.isEmpty())
        return ImprimanteQt::versPdf(g_fichierPdf);
    return std::make_unique<ImprimanteQt>(g_recherche);
}

void definirFichierPdf(const QString &fichier) { g_fichierPdf = fichier; }
void definirRecherche(ImprimanteQt::RechercheImprimante recherche) { g_recherche = std::move(recherche); }

} // namespace ImprimanteParDefaut
