#include "coding/Cotation.h"

#include "coding/Montant.h"

namespace pava {

QString premierCaractere(QStringView texte)
{
    return texte.left(1).toString();
}

JetonActe JetonActe::depuisListes(const QString& code, QStringView activite, QStringView phase,
                                  const std::array<QStringView, 4>& modificateurs,
                                  QStringView association)
{
    JetonActe j;
    j.code = code;
    j.activite = premierCaractere(activite);
    j.phase = premierCaractere(phase);
    for (int i = 0; i < 4; ++i) {
        const QString c = premierCaractere(modificateurs[i]);
        j.modificateurs[i] = c == u" " ? QStringLiteral("_") : c;
    }
    j.association = premierCaractere(association);
    return j;
}

std::optional<JetonActe> JetonActe::lire(QStringView texte)
{
    if (!estJeton(texte))
        return std::nullopt;
    JetonActe j;
    j.code = texte.left(kLongueurCode).toString();
    j.activite = texte.mid(7, 1).toString();
    j.phase = texte.mid(8, 1).toString();
    for (int i = 0; i < 4; ++i)
        j.modificateurs[i] = texte.mid(9 + i, 1).toString();
    j.association = texte.mid(13, 1).toString();
    return j;
}

QString JetonActe::texte() const
{
    return code + activite + phase + modificateurs[0] + modificateurs[1] + modificateurs[2] +
           modificateurs[3] + association;
}

QString JetonActe::modificateur(int i) const
{
    if (i < 0 || i > 3)
        return {};
    const QString& c = modificateurs[i];
    if (c.isEmpty() || c == u"_" || c.front().isSpace())
        return {};
    return c;
}

QString EnregistrementActe::texte() const
{
    return jeton + kSepEnregistrement + tarifReel + kSepEnregistrement + tarifSecu +
           kSepEnregistrement + libelle;
}

std::optional<EnregistrementActe> EnregistrementActe::lire(QStringView texte)
{
    const auto champs = texte.split(kSepEnregistrement);
    if (champs.size() < 4)
        return std::nullopt;
    return EnregistrementActe{champs[0].toString(), champs[1].toString(), champs[2].toString(),
                              champs[3].toString()};
}

QString chaineCotation(const QStringList& jetons)
{
    return jetons.join(QLatin1Char('+'));
}

QString chaineLibelles(const QStringList& libelles)
{
    QStringList nets;
    nets.reserve(libelles.size());
    for (const QString& l : libelles)
        nets << l.trimmed();
    return nets.join(QLatin1Char('+'));
}

QString enleveMontants(QStringView cotation)
{
    QStringView reste = cotation;
    for (QChar marque : {QLatin1Char('$'), QLatin1Char('&'), QLatin1Char('=')}) {
        const qsizetype p = reste.indexOf(marque);
        if (p >= 0)
            reste = reste.left(p);
    }
    return reste.toString();
}

SuffixesMontant lireMontants(QStringView cotation)
{
    SuffixesMontant s;
    QStringView w = cotation;
    const std::array<std::pair<QChar, QString*>, 3> ordre = {{
        {QLatin1Char('$'), &s.horsNomenclature},
        {QLatin1Char('&'), &s.depassement},
        {QLatin1Char('='), &s.total},
    }};
    for (const auto& [marque, champ] : ordre) {
        const qsizetype p = w.indexOf(marque);
        if (p >= 0) {
            *champ = w.mid(p + 1).toString();
            w = w.left(p);
        }
    }
    return s;
}

QString suffixesMontants(double total, double depassement, double horsNomenclature)
{
    const QLocale c = QLocale::c();
    QString s;
    if (total > 0)
        s += QLatin1Char('=') + nombreGeneral(total, c);
    else if (depassement > 0)
        s += QLatin1Char('&') + nombreGeneral(depassement, c);
    if (horsNomenclature > 0)
        s += QLatin1Char('$') + nombreGeneral(horsNomenclature, c);
    return s.replace(QLatin1Char(','), QLatin1Char('.'));
}

QString virgulesDecimales(QStringView texte)
{
    QString t = texte.toString();
    for (qsizetype i = 1; i + 1 < t.size(); ++i) {
        if (t[i] == QLatin1Char(',') && t[i - 1].isDigit() && t[i + 1].isDigit())
            t[i] = QLatin1Char('.');
    }
    return t;
}

QString acteCompose(const QString& ngap, const QString& cotation, const QString& extras)
{
    if (!ngap.isEmpty())
        return QStringLiteral("NGAP") + ngap + QLatin1Char(',') + cotation + extras;
    return cotation + extras;
}

QString partieCCAM(const QString& acteStocke)
{
    if (!acteStocke.contains(QLatin1Char(',')))
        return acteStocke;
    return acteStocke.section(QLatin1Char(','), 1, 1);
}

QString resultatListe(const QString& ngap, const QString& cotation, const QString& complementCCAM,
                      const QString& montant, const QString& libelles,
                      const QString& libelleComplement)
{
    QString codes;
    if (!ngap.isEmpty())
        codes = QStringLiteral("NGAP") + ngap + QLatin1Char(',');
    codes += cotation;
    if (!complementCCAM.isEmpty())
        codes += (cotation.isEmpty() ? QString() : QStringLiteral("+")) + complementCCAM;
    QString etiquettes = libelles;
    etiquettes.replace(QLatin1Char(','), QLatin1Char(';'));
    if (!libelleComplement.isEmpty())
        etiquettes += QLatin1Char('+') +
                      QString(libelleComplement).replace(QLatin1Char(','), QLatin1Char(';'));
    return codes + QLatin1Char(',') + montant + QLatin1Char(',') + etiquettes;
}

QString resultatCompose(const QString& acteStocke, const QString& montant, const QString& libelle)
{
    QString etiquette = apostrophesSimples(libelle.trimmed());
    etiquette.replace(QLatin1Char(','), QLatin1Char(';'));
    return acteStocke + QLatin1Char(',') + montant + QLatin1Char(',') + etiquette;
}

QString listeControleAssociation(const QStringList& jetonsListe, QStringView nouveauJeton)
{
    QString liste;
    for (const QString& j : jetonsListe)
        liste += codeNu(j) + QLatin1Char('@');
    return liste + codeNu(nouveauJeton);
}

QString apostrophesSimples(QString texte)
{
    return texte.replace(QLatin1String("''"), QLatin1String("'"));
}

} // namespace pava
