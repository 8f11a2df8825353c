#pragma once
// The walk every container of the engine uses when it calls out to listeners,
// components or scripts on the way: it walks a copy of strong references taken
// when the walk began, so nothing it holds dies or moves under it, and it asks
// before each step whether the item is still where the walk found it, since a
// callback of an earlier step may have removed it, moved it or killed it.

#include <memory>
#include <vector>

namespace Tarnu
{

template <class T, class StillThere, class Visit>
void walkSnapshot(std::vector<std::shared_ptr<T>> snapshot, StillThere stillThere, Visit visit)
{
    for (const std::shared_ptr<T>& item : snapshot)
        if (stillThere(*item))
            visit(item);
}

}
