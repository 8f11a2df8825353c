#include "core/python/OneWrapper.h"

namespace Tarnu::detail
{

void forgetDeadWrappers(std::unordered_map<const void*, PyObject*>& wrappers, std::size_t& sizeAfterSweep)
{
    // Entries outlive their wrappers until an object at the same address asks
    // again; sweeping at each doubling keeps the table to twice the living ones.
    if (wrappers.size() < 2 * sizeAfterSweep + 64)
        return;
    for (auto entry = wrappers.begin(); entry != wrappers.end();)
    {
        if (!entry->second || PyWeakref_GetObject(entry->second) == Py_None)
        {
            Py_XDECREF(entry->second);
            entry = wrappers.erase(entry);
        }
        else
            ++entry;
    }
    sizeAfterSweep = wrappers.size();
}

}
