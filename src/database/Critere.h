#pragma once

#include "database/Colonne.h"
#include "database/Tri.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

// A Find criterion "Field op value" read against the fields of a record set,
// and its test on one cell. Texts compare without regard to case; Null meets
// nothing; "like" takes '*' (or '%') for any characters.
class Critere
{
public:
    enum class Operateur { Egal, Different, Inferieur, InferieurEgal, Superieur, SuperieurEgal, Comme };

    // Throws RuntimeError 3001 for a criterion it cannot read, 3265 for a field
    // that does not exist.
    Critere(const QString &texte, const std::vector<Colonne> &colonnes);

    int colonne() const { return m_colonne; }
    bool satisfait(const Colonne &c, std::size_t ligne) const;

    // When the record set is sorted first on the criterion's field, the rows
    // that may meet it are one run of positions. bande() tells whether that
    // holds for this operator on this field's cells; positionBande() says
    // where a cell lies: -1 before the run (in ascending order), 0 inside,
    // 1 after.
    bool bande() const;
    int positionBande(const Colonne &c, std::size_t ligne) const;

private:
    int ordre(const Colonne &c, std::size_t ligne) const;       // cell vs value, kinds first
    int ordrePrefixe(const Colonne &c, std::size_t ligne) const; // leading letters vs the like prefix
    bool comme(const Colonne &c, std::size_t ligne) const;
    void preparerMotif(const QString &motif);
    void preparerNombre(const QString &texte);
    void preparerDate(const QString &texte, bool nue);

    int m_colonne = -1;
    Operateur m_op = Operateur::Egal;
    Tri::Classe m_classe = Tri::Classe::Nul; // the value's kind: number, date or text
    double m_reel = 0;
    std::optional<std::int64_t> m_entier, m_monnaie;
    std::int64_t m_date = 0;
    std::string m_cle;                // collation key of a text value
    bool m_cleAscii = false;
    bool m_bandeSure = true;          // the sort orders the field's cells as ordre() does
    // like
    QString m_motif;                  // case-folded pattern
    bool m_prefixeSeul = false;       // "text*" with no other wildcard
    std::string m_prefixeAscii;       // that text upper-cased, when ASCII
    std::string m_prefixePrimaire;    // its primary letters
};
