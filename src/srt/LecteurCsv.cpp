#include "srt/LecteurCsv.h"

namespace pava {

LecteurCsv::LecteurCsv(QStringView texte, QChar separateur)
    : m_texte(texte), m_separateur(separateur)
{
    if (m_texte.startsWith(QChar(0xFEFF)))
        m_position = 1;
}

int LecteurCsv::pourcentage() const
{
    if (m_texte.isEmpty())
        return 100;
    return static_cast<int>(m_position * 100 / m_texte.size());
}

bool LecteurCsv::suivant(QStringList& cellules)
{
    cellules.clear();
    if (!m_erreur.isEmpty() || m_position >= m_texte.size())
        return false;
    m_ligneEnregistrement = m_ligne;

    const QChar guillemet = QLatin1Char('"');
    QString cellule;
    bool dansGuillemets = false;
    int ligneGuillemet = 0;
    while (m_position < m_texte.size()) {
        const QChar c = m_texte[m_position++];
        if (dansGuillemets) {
            if (c == guillemet) {
                if (m_position < m_texte.size() && m_texte[m_position] == guillemet) {
                    cellule.append(guillemet);
                    ++m_position;
                } else {
                    dansGuillemets = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++m_ligne;
                if (c != QLatin1Char('\r'))
                    cellule.append(c);
            }
            continue;
        }
        if (c == guillemet && cellule.isEmpty()) {
            dansGuillemets = true;
            ligneGuillemet = m_ligne;
        } else if (c == m_separateur) {
            cellules.append(cellule);
            cellule.clear();
        } else if (c == QLatin1Char('\n')) {
            ++m_ligne;
            cellules.append(cellule);
            return true;
        } else if (c != QLatin1Char('\r')) {
            cellule.append(c);
        }
    }
    if (dansGuillemets) {
        m_erreur = QStringLiteral("ligne %1 : le fichier se termine dans une cellule entre "
                                  "guillemets ouverte à cette ligne (fichier tronqué ?)")
                       .arg(ligneGuillemet);
        return false;
    }
    cellules.append(cellule);
    return true;
}

} // namespace pava
