#include "srt/ReglesFacturation.h"

#include <QRegularExpression>
#include <QSet>

#include <map>

namespace pava {

namespace {

constexpr auto kOptions =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;

// What says that acts may not be billed together: "ne peut pas être facturé",
// "ne peuvent être facturés", "ne peut pas être codé", "non associable",
// "non cumulable". Without "ne" or "non" ("peut être facturé avec") it is a
// permission, never a pair.
const QRegularExpression& reInterdiction()
{
    static const QRegularExpression re(
        QStringLiteral("\\bne\\s+(?:peu(?:t|vent)|doi(?:t|vent))\\s+(?:pas\\s+)?(?:être|etre)\\s+"
                       "(factur|cod)\\w*|\\bnon\\s+(?:associable|cumulable)s?\\b"),
        kOptions);
    return re;
}

// The words that link the forbidden act to the other one(s), right after the
// phrase above.
const QRegularExpression& reLiaison()
{
    static const QRegularExpression re(
        QStringLiteral("\\s*(en\\s+association\\s+avec|avec|en\\s+sus\\s+d|en\\s+plus\\s+d|"
                       "ensemble|à\\b|a\\b)"),
        kOptions);
    return re;
}

// What makes the rule hold only in some cases: an exception (with the acts it
// spares when it names them) or a condition the coding cannot check.
const QRegularExpression& reException()
{
    static const QRegularExpression re(
        QStringLiteral("\\b(?:à|a)\\s+l['’]exception\\b|\\bsauf\\b|\\bhormis\\b|\\bexcepté|"
                       "\\ben\\s+dehors\\s+d"),
        kOptions);
    return re;
}

const QRegularExpression& reCondition()
{
    static const QRegularExpression re(
        QStringLiteral("\\bsur\\s+(?:le|la|les)\\s+m[êe]mes?\\b|\\blorsqu|\\bsi\\b|"
                       "\\ben\\s+cas\\s+d|\\bdans\\s+les\\s+indications"),
        kOptions);
    return re;
}

const QRegularExpression& reCode()
{
    static const QRegularExpression re(QStringLiteral("\\b[A-Z]{4}[0-9]{3}\\b"));
    return re;
}

// What is left of a statement's object once blanks and punctuation go.
const QRegularExpression& reBlancsEtPonctuation()
{
    static const QRegularExpression re(QStringLiteral("[\\s.;:]"));
    return re;
}

const QRegularExpression& reAvec()
{
    static const QRegularExpression re(QStringLiteral("\\bavec\\b"), kOptions);
    return re;
}

// "19.01.09.02", "08.03": a heading by its number.
const QRegularExpression& reNumero()
{
    static const QRegularExpression re(
        QStringLiteral("(?<![\\d.])\\d{2}(?:\\.\\d{2}){1,3}(?!\\.?\\d)"));
    return re;
}

// "chapitre 1", "chapitres 1 à 17", "chapitres 2 et 3": top-level headings.
const QRegularExpression& reChapitres()
{
    static const QRegularExpression re(
        QStringLiteral(
            "\\bchapitres?\\s+(\\d{1,2})(?![.\\d])(?:\\s*(à|au|-|et)\\s*(\\d{1,2})(?![.\\d]))?"),
        kOptions);
    return re;
}

bool dansParentheses(QStringView texte, qsizetype position)
{
    int profondeur = 0;
    for (qsizetype i = 0; i < position; ++i) {
        if (texte[i] == QLatin1Char('('))
            ++profondeur;
        else if (texte[i] == QLatin1Char(')') && profondeur > 0)
            --profondeur;
    }
    return profondeur > 0;
}

// The acts a piece of a rule names: the codes it cites, and the headings it
// cites by number. A number between parentheses only says where acts named in
// words are ("la radioscopie (chapitre 19)"): it names none.
struct Designation
{
    QStringList codes;
    QStringList chapitres; // two-digit groups: "01", "19.01.09.02"
    bool vide() const { return codes.isEmpty() && chapitres.isEmpty(); }
};

Designation designation(const QString& texte)
{
    Designation d;
    for (auto it = reCode().globalMatch(texte); it.hasNext();) {
        const QString code = it.next().captured();
        if (!d.codes.contains(code))
            d.codes.append(code);
    }
    const auto ajouter = [&](const QString& chapitre, qsizetype position) {
        if (!dansParentheses(texte, position) && !d.chapitres.contains(chapitre))
            d.chapitres.append(chapitre);
    };
    for (auto it = reNumero().globalMatch(texte); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        ajouter(m.captured(), m.capturedStart());
    }
    for (auto it = reChapitres().globalMatch(texte); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const auto numero = [](int c) {
            return QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0'));
        };
        const int premier = m.captured(1).toInt();
        const int dernier = m.captured(3).isEmpty() ? premier : m.captured(3).toInt();
        if (m.captured(2).compare(QLatin1String("et"), Qt::CaseInsensitive) == 0) {
            ajouter(numero(premier), m.capturedStart());
            ajouter(numero(dernier), m.capturedStart());
            continue;
        }
        for (int c = premier; c <= dernier; ++c)
            ajouter(numero(c), m.capturedStart());
    }
    return d;
}

// One statement of a note: what may not be billed (sujet, before the phrase)
// with what (objet, after its linking words).
struct Enonce
{
    enum class Liaison
    {
        Aucune, // "l'association de A avec B ne peut pas être facturée"
        Avec,
        Ensemble,
    };
    Liaison liaison = Liaison::Aucune;
    QString sujet;
    QString objet;
    QString texte;  // the whole statement, for the report
    QString phrase; // the sentence it stands in, for the pairs it gives
    int ligne = 0;
};

// Where the words before the phrase begin: after the previous line, ";", ":",
// "," or sentence, outside parentheses.
qsizetype debutSujet(const QString& t, qsizetype fin)
{
    int profondeur = 0;
    for (qsizetype i = fin - 1; i >= 0; --i) {
        const QChar c = t[i];
        if (c == QLatin1Char(')'))
            ++profondeur;
        else if (c == QLatin1Char('(') && profondeur > 0)
            --profondeur;
        if (c == QLatin1Char('\n') ||
            (profondeur == 0 &&
             (c == QLatin1Char(';') || c == QLatin1Char(':') || c == QLatin1Char(',') ||
              (c == QLatin1Char('.') && i + 1 < fin && t[i + 1].isSpace()))))
            return i + 1;
    }
    return 0;
}

// Where the words after the linking words end: at the end of the line, at ";"
// or at the end of a sentence, outside parentheses.
qsizetype finObjet(const QString& t, qsizetype debut)
{
    int profondeur = 0;
    for (qsizetype i = debut; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('('))
            ++profondeur;
        else if (c == QLatin1Char(')') && profondeur > 0)
            --profondeur;
        if (c == QLatin1Char('\n') ||
            (profondeur == 0 &&
             (c == QLatin1Char(';') ||
              (c == QLatin1Char('.') && (i + 1 == t.size() || t[i + 1].isSpace())))))
            return i;
    }
    return t.size();
}

// "ne peut pas être facturé avec :" followed by a list, one act a line: the
// lines below belong to the statement, up to a blank line or another rule.
qsizetype finListe(const QString& t, qsizetype fin)
{
    while (fin < t.size() && t[fin] == QLatin1Char('\n')) {
        qsizetype finLigne = t.indexOf(QLatin1Char('\n'), fin + 1);
        if (finLigne < 0)
            finLigne = t.size();
        const QString ligne = t.mid(fin + 1, finLigne - fin - 1).trimmed();
        if (ligne.isEmpty() || reInterdiction().match(ligne).hasMatch() ||
            ligne.contains(QLatin1String("factur"), Qt::CaseInsensitive))
            break;
        fin = finLigne;
    }
    return fin;
}

// The sentence a statement stands in, as the practitioner reads it in the
// note: from the beginning of its line or sentence to the end of the
// statement, on one line, the items of a list one after the other.
QString phrase(const QString& t, qsizetype debutEnonce, qsizetype fin)
{
    int profondeur = 0;
    qsizetype debut = debutEnonce;
    for (; debut > 0; --debut) {
        const QChar c = t[debut - 1];
        if (c == QLatin1Char(')'))
            ++profondeur;
        else if (c == QLatin1Char('(') && profondeur > 0)
            --profondeur;
        if (c == QLatin1Char('\n') ||
            (profondeur == 0 && c == QLatin1Char('.') && t[debut].isSpace()))
            break;
    }
    QStringList morceaux;
    for (QString ligne : t.mid(debut, fin - debut).split(QLatin1Char('\n'))) {
        ligne = ligne.simplified();
        // A list's dashes say where an item starts: a separator does on one line.
        while (ligne.startsWith(QLatin1Char('-')) || ligne.startsWith(QChar(0x2022)))
            ligne = ligne.mid(1).trimmed();
        if (ligne.isEmpty())
            continue;
        if (!morceaux.isEmpty() && (morceaux.last().back().isLetterOrNumber() ||
                                    morceaux.last().back() == QLatin1Char(')')))
            morceaux.last() += QStringLiteral(" ;");
        morceaux.append(ligne);
    }
    return morceaux.join(QLatin1Char(' '));
}

QList<Enonce> enonces(const QString& t, int ligne)
{
    QList<Enonce> liste;
    for (auto it = reInterdiction().globalMatch(t); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const bool codage = m.captured(1).compare(QLatin1String("cod"), Qt::CaseInsensitive) == 0;
        const bool adjectif = m.captured(1).isEmpty(); // "non associable", "non cumulable"
        Enonce e;
        qsizetype debutObjet = m.capturedEnd();
        const QRegularExpressionMatch l =
            reLiaison().match(t, m.capturedEnd(), QRegularExpression::NormalMatch,
                              QRegularExpression::AnchorAtOffsetMatchOption);
        if (l.hasMatch()) {
            const QString mot = l.captured(1).toLower();
            const bool a = mot == QLatin1String("à") || mot == QLatin1String("a");
            const bool ensemble = mot == QLatin1String("ensemble");
            if ((a && !adjectif) || (codage && (a || ensemble)))
                continue;
            e.liaison = ensemble ? Enonce::Liaison::Ensemble : Enonce::Liaison::Avec;
            debutObjet = l.capturedEnd();
        } else if (codage || adjectif) {
            continue;
        }
        qsizetype fin = finObjet(t, debutObjet);
        const QString objet = t.mid(debutObjet, fin - debutObjet).trimmed();
        if (objet.isEmpty() || objet.endsWith(QLatin1Char(':')))
            fin = finListe(t, fin);
        const qsizetype debut = debutSujet(t, m.capturedStart());
        e.sujet = t.mid(debut, m.capturedStart() - debut);
        e.objet = t.mid(debutObjet, fin - debutObjet);
        e.texte = t.mid(debut, fin - debut).simplified();
        e.phrase = phrase(t, debut, fin);
        e.ligne = ligne + static_cast<int>(QStringView(t).left(m.capturedStart()).count(u'\n'));
        if (e.liaison == Enonce::Liaison::Aucune) {
            // Only "l'association de A avec B ne peut pas être facturée"
            // forbids a pair without linking words after the phrase.
            QString reste = e.objet;
            reste.remove(reBlancsEtPonctuation());
            if (!reste.isEmpty() ||
                !e.sujet.contains(QLatin1String("association"), Qt::CaseInsensitive))
                continue;
        }
        liste.append(e);
    }
    return liste;
}

class LectureRegles
{
public:
    explicit LectureRegles(const EditionCcam& edition) : m_edition(edition)
    {
        for (const ActeEdition& a : edition.actes)
            m_actes.insert(a.code);
    }

    void note(const QString& texte, int ligne, const QString& proprietaire, bool chapitre);
    ReglesFacturation resultat();

private:
    // The acts a designation names, in code form; unknown codes and headings
    // without acts are reported.
    QStringList actes(const Designation& d, const Enonce& e, const QString& proprietaire);
    QStringList actesSous(const QString& chapitre) const;
    void signaler(const Enonce& e, const QString& proprietaire, const QString& raison);
    void signalerCitation(const Enonce& e, const QString& proprietaire, const QString& quoi);

    const EditionCcam& m_edition;
    QSet<QString> m_actes;
    std::map<std::pair<QString, QString>, NoteRegle> m_paires;
    ReglesFacturation m_resultat;
};

QString nommer(const QString& proprietaire)
{
    return estCodeActe(proprietaire) ? QStringLiteral("de l'acte %1").arg(proprietaire)
                                     : QStringLiteral("du chapitre %1").arg(proprietaire);
}

void LectureRegles::signaler(const Enonce& e, const QString& proprietaire, const QString& raison)
{
    const QString extrait = e.texte.size() > 160 ? e.texte.left(159) + QChar(0x2026) : e.texte;
    m_resultat.nonTraduites.append(
        {e.ligne, false,
         QStringLiteral("règle de facturation %1 non traduite en paires, %2 : « %3 »")
             .arg(nommer(proprietaire), raison, extrait)});
}

// A code or a heading the rule cites that the edition does not have.
void LectureRegles::signalerCitation(const Enonce& e, const QString& proprietaire,
                                     const QString& quoi)
{
    m_resultat.nonTraduites.append(
        {e.ligne, false,
         QStringLiteral("règle de facturation %1 : %2").arg(nommer(proprietaire), quoi)});
}

QStringList LectureRegles::actesSous(const QString& chapitre) const
{
    QStringList codes;
    const QString prefixe = chapitre + QLatin1Char('.');
    for (const ActeEdition& a : m_edition.actes) {
        if (a.chapitre == chapitre || a.chapitre.startsWith(prefixe))
            codes.append(a.code);
    }
    return codes;
}

QStringList LectureRegles::actes(const Designation& d, const Enonce& e, const QString& proprietaire)
{
    QStringList codes;
    for (const QString& code : d.codes) {
        if (m_actes.contains(code))
            codes.append(code);
        else
            signalerCitation(
                e, proprietaire,
                QStringLiteral("le code %1 qu'elle cite n'est pas dans l'édition").arg(code));
    }
    for (const QString& chapitre : d.chapitres) {
        const QStringList sous = actesSous(chapitre);
        if (sous.isEmpty())
            signalerCitation(e, proprietaire,
                             QStringLiteral("le chapitre %1 qu'elle cite n'a aucun acte dans "
                                            "l'édition")
                                 .arg(chapitre));
        codes += sous;
    }
    return codes;
}

void LectureRegles::note(const QString& texte, int ligne, const QString& proprietaire,
                         bool chapitre)
{
    bool paires = false;
    QStringList proprietaires; // read when a statement needs them
    const auto lesProprietaires = [&]() -> const QStringList& {
        if (proprietaires.isEmpty())
            proprietaires = chapitre ? actesSous(proprietaire) : QStringList{proprietaire};
        return proprietaires;
    };
    for (const Enonce& e : enonces(texte, ligne)) {
        const NoteRegle origine{proprietaire, e.phrase};
        const auto apparier = [&](const QStringList& a, const QStringList& b) {
            for (const QString& x : a) {
                for (const QString& y : b) {
                    if (x == y)
                        continue;
                    const auto [it, nouvelle] = m_paires.try_emplace(
                        x < y ? std::make_pair(x, y) : std::make_pair(y, x), origine);
                    // The headings' notes are read first: an act's own note says more.
                    if (!nouvelle && !chapitre && !estCodeActe(it->second.de))
                        it->second = origine;
                    paires = true;
                }
            }
        };
        QString objet = e.objet;
        QStringList epargnes; // acts an exception spares
        if (const QRegularExpressionMatch x = reException().match(objet); x.hasMatch()) {
            const Designation exception = designation(objet.mid(x.capturedStart()));
            if (exception.vide()) {
                signaler(e, proprietaire,
                         QStringLiteral("soumise à une exception en toutes lettres"));
                continue;
            }
            epargnes = actes(exception, e, proprietaire);
            objet.truncate(x.capturedStart());
        }
        if (reCondition().match(e.sujet + QLatin1Char(' ') + objet).hasMatch()) {
            signaler(e, proprietaire,
                     QStringLiteral("soumise à une condition que la cotation ne vérifie pas"));
            continue;
        }
        const QString enToutesLettres =
            QStringLiteral("ses actes n'étant désignés qu'en toutes lettres");
        if (e.liaison == Enonce::Liaison::Aucune) {
            const qsizetype association =
                e.sujet.indexOf(QLatin1String("association"), 0, Qt::CaseInsensitive);
            const qsizetype avec = e.sujet.indexOf(reAvec(), association);
            const Designation a = designation(e.sujet.mid(0, avec < 0 ? 0 : avec));
            const Designation b = designation(avec < 0 ? QString() : e.sujet.mid(avec));
            if (a.vide() || b.vide())
                signaler(e, proprietaire, enToutesLettres);
            else
                apparier(actes(a, e, proprietaire), actes(b, e, proprietaire));
            continue;
        }
        const Designation sujet = designation(e.sujet);
        const QStringList interdits =
            sujet.vide() ? lesProprietaires() : actes(sujet, e, proprietaire);
        if (e.liaison == Enonce::Liaison::Ensemble) {
            apparier(interdits, interdits);
            continue;
        }
        const Designation avecQuoi = designation(objet);
        QStringList autres = actes(avecQuoi, e, proprietaire);
        for (const QString& code : epargnes)
            autres.removeAll(code);
        // "X (BGQP007) ne peut pas être facturé en sus de l'acte d'angiographie"
        // under the angiography act: the act the note is under is the other one.
        if (avecQuoi.vide() && !chapitre && !sujet.vide() && !interdits.contains(proprietaire))
            autres = {proprietaire};
        if (avecQuoi.vide() && autres.isEmpty()) {
            signaler(e, proprietaire, enToutesLettres);
            continue;
        }
        apparier(interdits, autres);
    }
    m_resultat.notes += paires ? 1 : 0;
}

ReglesFacturation LectureRegles::resultat()
{
    m_resultat.paires.reserve(static_cast<qsizetype>(m_paires.size()));
    for (const auto& [codes, origine] : m_paires)
        m_resultat.paires.append({codes, origine});
    return std::move(m_resultat);
}

// Most notes say nothing about billing acts together: skipped at once.
bool peutInterdire(const QString& texte)
{
    return texte.contains(QLatin1String("factur"), Qt::CaseInsensitive) ||
           texte.contains(QLatin1String("associable"), Qt::CaseInsensitive) ||
           texte.contains(QLatin1String("cumulable"), Qt::CaseInsensitive) ||
           texte.contains(QLatin1String("codé"), Qt::CaseInsensitive);
}

} // namespace

ReglesFacturation lireReglesFacturation(const EditionCcam& edition)
{
    LectureRegles lecture(edition);
    for (const ChapitreEdition& c : edition.chapitres) {
        for (qsizetype i = 0; i < c.notes.size(); ++i) {
            if (peutInterdire(c.notes[i]))
                lecture.note(c.notes[i], c.lignesNotes.value(i, c.ligne), c.code, true);
        }
    }
    for (const ActeEdition& a : edition.actes) {
        for (qsizetype i = 0; i < a.notes.size(); ++i) {
            if (peutInterdire(a.notes[i]))
                lecture.note(a.notes[i], a.lignesNotes.value(i, a.ligne), a.code, false);
        }
    }
    ReglesFacturation r = lecture.resultat();
    std::sort(r.nonTraduites.begin(), r.nonTraduites.end(),
              [](const Anomalie& a, const Anomalie& b) { return a.ligne < b.ligne; });
    return r;
}

} // namespace pava
