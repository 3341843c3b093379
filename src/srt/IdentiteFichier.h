#pragma once

#include <QString>

#include <cstdint>

#include <sys/types.h>

namespace pava {

// What tells a reader that a file it keeps in memory has changed: the same
// device and inode (the same file, not another renamed over it), size and
// modification time.
struct IdentiteFichier
{
    dev_t peripherique = 0;
    ino_t inode = 0;
    off_t taille = 0;
    std::int64_t modification = 0; // nanoseconds

    bool memeFichier(const IdentiteFichier& autre) const
    {
        return peripherique == autre.peripherique && inode == autre.inode;
    }
    friend bool operator==(const IdentiteFichier&, const IdentiteFichier&) = default;
};

// False when the path is not a regular file that can be examined.
bool identiteFichier(const QString& chemin, IdentiteFichier& id);

} // namespace pava
