#pragma once

#include <functional>

namespace pava {

// Ends the server process at once, the way a host expects from EndCCAM, from a
// release after a failed validation, or when the installation names no CCAM
// reference: no window runs its closing steps and nothing is flushed.
void terminerProcessus();

// What terminerProcessus() runs instead (a test in the same process); an empty
// function puts the immediate exit back.
using FinProcessus = std::function<void()>;
void setFinProcessus(FinProcessus fin);

} // namespace pava
