// The module initialiser: event type numbers first, then every export area in
// order, since later areas use the classes of earlier ones.

#include "core/EventTypes.h"
#include "core/python/Bindings.h"

#include <boost/python.hpp>

BOOST_PYTHON_MODULE(tarnu)
{
    Tarnu::assignEventTypes();
    Tarnu::exportCoreBindings();
    Tarnu::exportMathBindings();
    Tarnu::exportEntityBindings();
    Tarnu::exportBoundBindings();
}
