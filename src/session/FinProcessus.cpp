#include "session/FinProcessus.h"

#include <cstdlib>

// LeakSanitizer checks at a normal exit only; std::_Exit skips that check.
#if defined(__SANITIZE_ADDRESS__)
#define PAVACCAM_CONTROLE_FUITES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PAVACCAM_CONTROLE_FUITES 1
#endif
#endif
#ifdef PAVACCAM_CONTROLE_FUITES
#include <sanitizer/lsan_interface.h>
#endif

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
#ifdef PAVACCAM_CONTROLE_FUITES
    // The sanitized tree (docs/sanitizers.md): servers end here far more often
    // than through a normal exit, so their leaks are looked for here too.
    __lsan_do_leak_check();
#endif
    std::_Exit(0);
}

void setFinProcessus(FinProcessus fin)
{
    finProcessus() = std::move(fin);
}

} // namespace pava
