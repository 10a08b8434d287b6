#pragma once

#include "database/Command.h"
#include "database/Connection.h"
#include "database/Recordset.h"
#include "database/Value.h"

#include <QDate>
#include <QString>
#include <QWidget>
#include <array>
#include <optional>

class DataGrid;
class DataSource;
class LiaisonChamp;
class QCalendarWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The program's one window: its controls, the state every procedure shares,
// and its event handlers and procedures, split by concern over a few files:
//   FrmGestion.cpp             the controls as designed
//   Demarrage.cpp              start-up (Form_Load), shut-down (Form_Unload), "Fin"
//   Vues.cpp                   journal and card-batch views, header-click sort
//   Recherche.cpp              search modes, key filter and search
//   Periode.cpp                the period picked on the calendar
//   RapportsDansListe.cpp      the three reports into List1
//   ImpressionListeTicket.cpp  printing the report list and the ticket
//   CompactageEtCleUSB.cpp     compaction and the USB-drive search
//
// Showing the window the first time runs Form_Load (unless it already ran);
// closing it runs Form_Unload.
class FrmGestion : public QWidget
{
    Q_OBJECT
public:
    explicit FrmGestion(QWidget *parent = nullptr);
    ~FrmGestion() override;

    // --- Fields, in their original order --------------------------------
    QString CheminIni;
    QString CheminBase;
    QString ChaineConnexion;
    Connection Connexion;
    Command CmdParametres;
    Recordset RsParametres;
    Command CmdVentes;
    Recordset RsVentes;
    Command CmdTelecollectes;
    Recordset RsTelecollectes;
    std::optional<int> ChoixDate;        // 0 start date, 1 end date; none until a Command6 click
    std::optional<DateTime> DateDebut;   // none until picked
    QString DateFin;                     // short-date text; empty until picked

    // --- Controls (object names as the original's) ----------------------
    QPushButton *Command1 = nullptr;     // "Journal de ventes"
    QPushButton *Command2 = nullptr;     // "Liste télécollectes"
    QLabel *Label1 = nullptr;            // "Rechercher:"
    QLineEdit *Text2 = nullptr;          // search text
    QGroupBox *Frame2 = nullptr;         // search modes
    QRadioButton *Option1 = nullptr;     // "Par Date"
    QRadioButton *Option3 = nullptr;     // "Par No Facture"
    QRadioButton *Option2 = nullptr;     // "Par No Carte Bancaire"
    DataGrid *DataGrid1 = nullptr;       // journal
    DataGrid *DataGrid2 = nullptr;       // card batches
    QGroupBox *Frame3 = nullptr;         // holds the calendar
    QCalendarWidget *MonthView1 = nullptr;
    QPushButton *CmdTicket = nullptr;    // "Imprimer Ticket"
    QPlainTextEdit *Text1 = nullptr;     // the ticket of the view's current record
    QLabel *Label3 = nullptr;            // "Date début"
    QLabel *Label4 = nullptr;            // "Date fin"
    std::array<QLabel *, 2> Label2{};    // the period's dates
    std::array<QPushButton *, 2> Command6{};  // open the calendar
    QListWidget *List1 = nullptr;        // report lines
    QPushButton *Command5 = nullptr;     // "Ventes Journalières"
    QPushButton *Command8 = nullptr;     // "Ventes Mensuel"
    QPushButton *Command4 = nullptr;     // "Total des ventes"
    QPushButton *Command7 = nullptr;     // "Imprimer "
    QPushButton *Command3 = nullptr;     // "Fin"
    QGroupBox *Frame1 = nullptr;         // parameters panel, never shown
    std::array<QLineEdit *, 13> Text4{};
    std::array<QLabel *, 13> Label6{};
    DataSource *Adodc1 = nullptr;        // parameters
    DataSource *Adodc2 = nullptr;        // journal
    DataSource *Adodc3 = nullptr;        // card batches

    // The binding of Text1 (moved between Adodc2 and Adodc3 by the views).
    LiaisonChamp *LiaisonText1 = nullptr;

    // --- Start-up and shut-down (Demarrage.cpp) -------------------------
    // Steps 2-13 throw RuntimeError: the caller's unhandled-error path.
    void Form_Load();
    void Form_Unload();
    void Command3_Click();

    // --- Views (Vues.cpp) -----------------------------------------------
    void Command1_Click();
    void Command2_Click();
    void DataGrid1_HeadClick(int ColIndex);

    // --- Search (Recherche.cpp) -----------------------------------------
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    // Runs for each character typed in Text2 before it is inserted; setting
    // KeyAscii to 0 drops the key.
    void Text2_KeyPress(qint16 &KeyAscii);
    void Text2_Change();

    // --- Period (Periode.cpp) -------------------------------------------
    void Command6_Click(int Index);
    void MonthView1_DateClick(QDate DateClicked);

    // --- Reports (RapportsDansListe.cpp) --------------------------------
    void TotalVentes();
    void TotalVentesparJours();
    void TotalVentesparmois();

    // --- Printing (ImpressionListeTicket.cpp) ---------------------------
    void Command7_Click();
    void CmdTicket_Click();

    // --- Maintenance (CompactageEtCleUSB.cpp) ---------------------------
    void ReparerDatabase();
    bool ChercherSurCleUSB();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void construireControles();
    void construireBandeauHaut();
    void construireGrilles();
    void construireCalendrier();
    void construirePeriode();
    void construireRapports();
    void construireParametres();
    void relierEvenements();
    void terminerAvantChargement(int sortie);

    bool m_charge = false;     // Form_Load has run (or is running)
    bool m_decharge = false;   // Form_Unload has run
};
