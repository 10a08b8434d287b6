// The window's controls as designed: names, captions, fonts, positions
// (twips, 15 to a pixel) and design-time visibility.
#include "FrmGestion/FrmGestion.h"

#include "FrmGestion/AccessibiliteOptions.h"
#include "FrmGestion/DataGrid.h"
#include "FrmGestion/DataSource.h"
#include "FrmGestion/FiltreTouches.h"
#include "FrmGestion/LiaisonChamp.h"
#include "shared/Plateforme.h"

#include <QCalendarWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

int px(int twips) { return qRound(twips / 15.0); }

void placer(QWidget *w, int gauche, int haut, int largeur, int hauteur)
{
    w->setGeometry(px(gauche), px(haut), px(largeur), px(hauteur));
}

// "MS Sans Serif" is a Windows bitmap font: where it is missing, prefer a
// face of Helvetica's narrow metrics to the wide default, so the captions and
// columns sized for it still fit.
void substituerPolice()
{
    static const bool fait = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                    QStringLiteral("Nimbus Sans"), QStringLiteral("Nimbus Sans L"),
                                    QStringLiteral("Helvetica"), QStringLiteral("Arial"),
                                    QStringLiteral("DejaVu Sans Condensed")});
        return true;
    }();
    (void)fait;
}

QFont police(double points, bool gras)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(gras);
    return f;
}

QPushButton *bouton(QWidget *parent, const QString &nom, const QString &legende,
                    int gauche, int haut, int largeur, int hauteur)
{
    auto *b = new QPushButton(legende, parent);
    b->setObjectName(nom);
    b->setFont(police(8.25, true));
    b->setAutoDefault(false);
    placer(b, gauche, haut, largeur, hauteur);
    return b;
}

QLabel *etiquette(QWidget *parent, const QString &nom, const QString &legende,
                  int gauche, int haut, int largeur, int hauteur)
{
    auto *l = new QLabel(legende, parent);
    l->setObjectName(nom);
    placer(l, gauche, haut, largeur, hauteur);
    return l;
}

QString nomIndice(const char *nom, int indice)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(nom)).arg(indice);
}

// The picture of the Command6 buttons: a small 24 x 22 calendar page.
QPixmap iconeCalendrier()
{
    QPixmap image(24, 22);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(3, 3, 17, 16);
    p.fillRect(4, 4, 16, 4, QColor(128, 0, 0));
    p.setPen(QColor(0, 0, 0));
    p.drawLine(7, 1, 7, 5);
    p.drawLine(16, 1, 16, 5);
    p.setPen(QColor(0, 0, 128));
    for (int ligne = 0; ligne < 3; ++ligne)
        for (int colonne = 0; colonne < 4; ++colonne)
            p.drawRect(6 + colonne * 3 + colonne, 10 + ligne * 3, 1, 1);
    p.fillRect(14, 13, 3, 3, QColor(255, 0, 0));
    return image;
}

} // namespace

FrmGestion::FrmGestion(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmGestion"));
    substituerPolice();
    setWindowTitle(QStringLiteral("Gestion"));
    setFont(police(8.25, false));
    resize(px(13680), px(11145));

    Adodc1 = new DataSource(QStringLiteral("Adodc1"), this);
    Adodc2 = new DataSource(QStringLiteral("Adodc2"), this);
    Adodc3 = new DataSource(QStringLiteral("Adodc3"), this);

    construireControles();
    relierEvenements();
}

FrmGestion::~FrmGestion() = default;

void FrmGestion::construireControles()
{
    // Created in the arrangement's reading order, which gives Qt's tab order.
    construireBandeauHaut();
    construireGrilles();
    construireCalendrier();
    construirePeriode();
    construireRapports();
    construireParametres();
}

void FrmGestion::construireBandeauHaut()
{
    Command1 = bouton(this, QStringLiteral("Command1"), QStringLiteral("Journal de ventes"), 0, 120, 1692, 372);
    Command2 = bouton(this, QStringLiteral("Command2"), QStringLiteral("Liste télécollectes"), 1800, 120, 1692, 372);

    Label1 = etiquette(this, QStringLiteral("Label1"), QStringLiteral("Rechercher:"), 3600, 0, 2172, 252);
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setAccessibleName(QStringLiteral("Rechercher"));
    placer(Text2, 3600, 240, 2772, 288);
    Label1->setBuddy(Text2);

    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    placer(Frame2, 6480, 120, 5412, 372);
    auto option = [this](const QString &nom, const QString &legende, int gauche, int largeur) {
        auto *o = new QRadioButton(legende, Frame2);
        o->setObjectName(nom);
        placer(o, gauche, 75, largeur, 255);
        RendreOptionAccessible(o);
        return o;
    };
    Option1 = option(QStringLiteral("Option1"), QStringLiteral("Par Date"), 120, 1215);
    Option3 = option(QStringLiteral("Option3"), QStringLiteral("Par No Facture"), 1440, 1455);
    Option2 = option(QStringLiteral("Option2"), QStringLiteral("Par No Carte Bancaire"), 3000, 2295);
    Option1->setChecked(true);
}

void FrmGestion::construireGrilles()
{
    DataGrid1 = new DataGrid(QStringLiteral("DataGrid1"), QStringLiteral("Journal de ventes"), this);
    placer(DataGrid1, 0, 600, 10092, 6972);
    DataGrid1->hide();
    DataGrid2 = new DataGrid(QStringLiteral("DataGrid2"), QStringLiteral("Télécolectes"), this);
    placer(DataGrid2, 0, 600, 2532, 6972);
    DataGrid2->hide();

    const Qt::Alignment gauche = Qt::AlignLeft;
    const Qt::Alignment droite = Qt::AlignRight;
    const Qt::Alignment centre = Qt::AlignHCenter;
    DataGrid1->lier(Adodc2, {
        {QStringLiteral("No Facture"), QStringLiteral("NoVente"), FormatChamp::TelQuel, gauche, 1020},
        {QStringLiteral("Date"), QStringLiteral("Date"), FormatChamp::TelQuel, gauche, 1485},
        {QStringLiteral("Montant"), QStringLiteral("Montant"), FormatChamp::Monetaire, droite, 930},
        {QStringLiteral("Type Paiement"), QStringLiteral("Type paiement"), FormatChamp::TelQuel, gauche, 1410},
        {QStringLiteral("No Carte Bancaire"), QStringLiteral("Client"), FormatChamp::TelQuel, gauche, 1605},
        {QStringLiteral("Nb Jeton"), QStringLiteral("Nb Jeton"), FormatChamp::TelQuel, centre, 900},
        {QStringLiteral("Payé"), QStringLiteral("Payé"), FormatChamp::Monetaire, droite, 1020},
        {QStringLiteral("Rendu"), QStringLiteral("Rendu"), FormatChamp::Monetaire, droite, 1515},
    });
    DataGrid2->lier(Adodc3, {
        {QStringLiteral("Date"), QStringLiteral("LaDate"), FormatChamp::TelQuel, gauche, 1950},
    });

    CmdTicket = bouton(this, QStringLiteral("CmdTicket"), QStringLiteral("Imprimer Ticket"), 10080, 600, 1692, 360);
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Ticket"));
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    placer(Text1, 10080, 960, 3372, 6612);
    LiaisonText1 = new LiaisonChamp(Text1);
    LiaisonText1->lier(Adodc2, QStringLiteral("Ticket"));
}

void FrmGestion::construireCalendrier()
{
    Frame3 = new QGroupBox(this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    placer(Frame3, 0, 600, 13455, 6975);
    // Opaque: when shown it covers the grids, the ticket box and its button.
    Frame3->setAutoFillBackground(true);
    MonthView1 = new QCalendarWidget(Frame3);
    MonthView1->setObjectName(QStringLiteral("MonthView1"));
    MonthView1->setAccessibleName(QStringLiteral("Calendrier"));
    // Month and day names in French, as every text of the program, whatever
    // the system's language.
    const QLocale systeme = Plateforme::localeSysteme();
    MonthView1->setLocale(systeme.language() == QLocale::French ? systeme
                                                                 : QLocale(QLocale::French, QLocale::France));
    MonthView1->setDateRange(QDate(1753, 1, 1), QDate(9999, 12, 31));
    MonthView1->setSelectedDate(QDate(2008, 1, 22));
    MonthView1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    placer(MonthView1, 120, 240, 11910, 6660);
    MonthView1->hide();
    Frame3->hide();
}

void FrmGestion::construirePeriode()
{
    static const char *const nomsDates[2] = {"Date début", "Date fin"};
    static const char *const nomsBoutons[2] = {"Choisir la date de début", "Choisir la date de fin"};
    const QIcon icone(iconeCalendrier());
    Label3 = etiquette(this, QStringLiteral("Label3"), QStringLiteral("Date début"), 120, 7800, 1215, 255);
    Label4 = etiquette(this, QStringLiteral("Label4"), QStringLiteral("Date fin"), 120, 8640, 1215, 255);
    for (int i = 0; i < 2; ++i) {
        const int haut = i == 0 ? 8040 : 8880;
        QLabel *date = etiquette(this, nomIndice("Label2", i), QString(), 120, haut, 1335, 375);
        date->setFont(police(9.75, false));
        date->setAccessibleName(QString::fromUtf8(nomsDates[i]));
        date->setAutoFillBackground(true);
        QPalette blanc = date->palette();
        blanc.setColor(QPalette::Window, Qt::white);
        date->setPalette(blanc);
        date->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        Label2[std::size_t(i)] = date;

        QPushButton *b = bouton(this, nomIndice("Command6", i), QString(), 1560, haut, 372, 372);
        b->setIcon(icone);
        b->setIconSize(QSize(24, 22));
        b->setAccessibleName(QString::fromUtf8(nomsBoutons[i]));
        Command6[std::size_t(i)] = b;
    }
    Label3->setBuddy(Command6[0]);
    Label4->setBuddy(Command6[1]);
}

void FrmGestion::construireRapports()
{
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Rapport"));
    placer(List1, 2160, 7800, 9480, 3180);

    Command5 = bouton(this, QStringLiteral("Command5"), QStringLiteral("Ventes Journalières"), 11760, 7800, 1692, 492);
    Command8 = bouton(this, QStringLiteral("Command8"), QStringLiteral("Ventes Mensuel"), 11760, 8400, 1692, 492);
    Command4 = bouton(this, QStringLiteral("Command4"), QStringLiteral("Total des ventes"), 11760, 9000, 1692, 492);
    Command7 = bouton(this, QStringLiteral("Command7"), QStringLiteral("Imprimer "), 11760, 9600, 1692, 492);
    Command3 = bouton(this, QStringLiteral("Command3"), QStringLiteral("Fin"), 11760, 10200, 1692, 492);
}

void FrmGestion::construireParametres()
{
    // Built hidden; no operation shows it. Its fields stay bound to Adodc1.
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    placer(Frame1, 11760, 7680, 3852, 3492);

    struct Ligne { const char *champ; const char *legende; FormatChamp format; int gaucheLegende, gaucheBoite, haut, largeurLegende, largeurBoite; };
    static const Ligne lignes[13] = {
        {"Tarif1", "Prix 1:", FormatChamp::Monetaire, 240, 960, 360, 720, 1095},
        {"Tarif2", "Prix 2:", FormatChamp::Monetaire, 240, 960, 720, 720, 1095},
        {"Tarif3", "Prix 3:", FormatChamp::Monetaire, 240, 960, 1080, 720, 1095},
        {"Tarif4", "Prix 4:", FormatChamp::Monetaire, 240, 960, 1440, 720, 1095},
        {"Tarif5", "Prix 5:", FormatChamp::Monetaire, 240, 960, 1800, 720, 1095},
        {"Jeton1", "Qté 1:", FormatChamp::TelQuel, 2280, 3000, 360, 720, 735},
        {"Jeton2", "Qté 2:", FormatChamp::TelQuel, 2280, 3000, 720, 720, 735},
        {"Jeton3", "Qté 3:", FormatChamp::TelQuel, 2280, 3000, 1080, 720, 735},
        {"Jeton4", "Qté 4:", FormatChamp::TelQuel, 2280, 3000, 1440, 720, 735},
        {"Jeton5", "Qté 5:", FormatChamp::TelQuel, 2280, 3000, 1800, 720, 735},
        {"Hopper1", "Contenue Hopper Jeton:", FormatChamp::Entier, 240, 2400, 2280, 2160, 1335},
        {"Hopper2", "Contenue Hopper Euro:", FormatChamp::Entier, 240, 2400, 2640, 2160, 1335},
        {"Caisse", "Contenue caisse:", FormatChamp::Monetaire, 240, 2400, 3000, 2160, 1335},
    };
    for (int i = 0; i < 13; ++i) {
        const Ligne &l = lignes[i];
        QLabel *legende = etiquette(Frame1, nomIndice("Label6", i), QString::fromUtf8(l.legende),
                                    l.gaucheLegende, l.haut, l.largeurLegende, 255);
        legende->setFont(police(8.25, true));
        auto *boite = new QLineEdit(Frame1);
        boite->setObjectName(nomIndice("Text4", i));
        placer(boite, l.gaucheBoite, l.haut, l.largeurBoite, 285);
        legende->setBuddy(boite);
        auto *liaison = new LiaisonChamp(boite, l.format);
        liaison->lier(Adodc1, QString::fromUtf8(l.champ));
        Label6[std::size_t(i)] = legende;
        Text4[std::size_t(i)] = boite;
    }
    Label6[12]->hide();
    Text4[12]->hide();
    Frame1->hide();
}

void FrmGestion::relierEvenements()
{
    connect(Command1, &QPushButton::clicked, this, &FrmGestion::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmGestion::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmGestion::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmGestion::TotalVentes);
    connect(Command5, &QPushButton::clicked, this, &FrmGestion::TotalVentesparJours);
    connect(Command8, &QPushButton::clicked, this, &FrmGestion::TotalVentesparmois);
    connect(Command7, &QPushButton::clicked, this, &FrmGestion::Command7_Click);
    connect(CmdTicket, &QPushButton::clicked, this, &FrmGestion::CmdTicket_Click);
    for (int i = 0; i < 2; ++i)
        connect(Command6[std::size_t(i)], &QPushButton::clicked, this, [this, i] { Command6_Click(i); });
    connect(MonthView1, &QCalendarWidget::clicked, this, &FrmGestion::MonthView1_DateClick);
    connect(DataGrid1, &DataGrid::headerClicked, this, &FrmGestion::DataGrid1_HeadClick);
    connect(Option1, &QRadioButton::clicked, this, &FrmGestion::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &FrmGestion::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &FrmGestion::Option3_Click);
    connect(Text2, &QLineEdit::textChanged, this, &FrmGestion::Text2_Change);
    // Text2_KeyPress sees each character typed in Text2 before it is inserted.
    Text2->installEventFilter(new FiltreTouches(
        [this](int &code) {
            auto KeyAscii = qint16(quint16(code));
            Text2_KeyPress(KeyAscii);
            code = quint16(KeyAscii);
        },
        Text2));
}
