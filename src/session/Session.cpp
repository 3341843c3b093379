#include "session/Session.h"

namespace pava {

Session& session()
{
    static Session instance;
    return instance;
}

void reinitialiserSession()
{
    session() = Session{};
}

} // namespace pava
