#include "srt/IdentiteFichier.h"

#include <QFile>

#include <sys/stat.h>

namespace pava {

bool identiteFichier(const QString& chemin, IdentiteFichier& id)
{
    struct stat st
    {};
    if (chemin.isEmpty() || chemin.contains(QChar(0)) ||
        ::stat(QFile::encodeName(chemin).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    id = {st.st_dev, st.st_ino, st.st_size,
          std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    return true;
}

} // namespace pava
