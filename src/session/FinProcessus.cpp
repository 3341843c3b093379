#include "session/FinProcessus.h"

#include <cstdlib>

namespace pava {

namespace {

FinProcessus& finProcessus()
{
    static FinProcessus fin;
    return fin;
}

} // namespace

void terminerProcessus()
{
    if (finProcessus()) {
        finProcessus()();
        return;
    }
    std::_Exit(0);
}

void setFinProcessus(FinProcessus fin)
{
    finProcessus() = std::move(fin);
}

} // namespace pava
