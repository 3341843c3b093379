// Saves the complement catalogue again and again, every title and field of
// save n reading "n", until it is killed; prints each number saved.
#include "practice/FichiersComplements.h"
#include "session/Session.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    pava::Session& s = pava::session();
    for (int n = 1;; ++n) {
        const QString v = QString::number(n);
        for (int k = 1; k <= pava::complements::kOnglets; ++k) {
            s.TitresOnglets[k] = v;
            for (int r = 1; r <= pava::complements::kEmplacements; ++r)
                for (int c = 1; c <= 3; ++c)
                    pava::complements::tableOnglet(k)[r][c] = v;
        }
        if (!pava::PutActeComplementaire())
            return 1;
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}
