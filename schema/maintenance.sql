-- The error log (MAINTEN.MDB).
CREATE TABLE Erreurs (
    NoErreur   INTEGER PRIMARY KEY,
    DateErreur DATETIME,
    Contexte   VARCHAR(50),
    Erreur     LONGTEXT
);
