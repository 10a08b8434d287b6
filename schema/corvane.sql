-- The kiosk's sales database. Dates are ISO-8601 text "YYYY-MM-DD HH:MM:SS";
-- amounts are declared CURRENCY and stored rounded to 4 decimals.
CREATE TABLE Ventes (
    NoVente      INTEGER PRIMARY KEY,
    LaDate       DATETIME,
    Total        CURRENCY,
    TauxTVA      DOUBLE,
    TypePaiement SMALLINT,
    NbJeton      INTEGER,
    Client       VARCHAR(20),
    Paye         CURRENCY,
    Rendu        CURRENCY,
    Ticket       LONGTEXT
);
CREATE INDEX Ventes_LaDate ON Ventes (LaDate);

-- The journal: its first eight columns come in the order the grid shows them.
CREATE VIEW ReqVentes AS
SELECT NoVente,
       LaDate       AS [Date],
       Total        AS Montant,
       TypePaiement AS [Type paiement],
       Client,
       NbJeton      AS [Nb Jeton],
       Paye         AS [Payé],
       Rendu,
       Ticket
FROM Ventes;

CREATE TABLE Telecollectes (
    NoTelecollecte INTEGER PRIMARY KEY,
    LaDate         DATETIME,
    Ticket         LONGTEXT
);
CREATE INDEX Telecollectes_LaDate ON Telecollectes (LaDate);

CREATE TABLE Parametres (
    NoParametre INTEGER PRIMARY KEY,
    Tarif1  CURRENCY, Tarif2 CURRENCY, Tarif3 CURRENCY, Tarif4 CURRENCY, Tarif5 CURRENCY,
    Jeton1  INTEGER,  Jeton2 INTEGER,  Jeton3 INTEGER,  Jeton4 INTEGER,  Jeton5 INTEGER,
    Hopper1 INTEGER,
    Hopper2 INTEGER,
    Caisse  CURRENCY
);
