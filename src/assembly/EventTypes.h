#pragma once
// Event classes take their TYPE numbers from one counter, in one place and one
// order, so the numbers are the same on every run and every platform. The
// module initialiser (and the C++ test runner) call this before anything else.

namespace Tarnu
{

/// Gives every event class its TYPE number; later calls change nothing.
void assignEventTypes();

}
