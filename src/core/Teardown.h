#pragma once
// Objects that own sub-objects (an entity its components, a scene node its
// entity and children, a scene its nodes) die through TeardownDeleter. While
// such an object still holds anything, the deleter re-owns it with a temporary
// shared pointer, so that callbacks can still take shared pointers to it,
// makes it let go of what it holds, then lets the temporary go, which deletes
// it (unless a callback kept a pointer: then it lives on, emptied).
//
// Two rules keep this finite:
// - while it lets go, the object is being destroyed and refuses additions; a
//   callback re-adding to it would otherwise restart the teardown for ever;
// - a deleter that runs while another of the same class is letting go only
//   queues its object, and the outermost one works the queue: a chain of
//   100,000 nodes dies in a loop, not in 100,000 nested calls. The queue is
//   worked depth first in the order the objects were let go, as nested calls
//   would have done it.
//
// T derives from Teardown and provides holdsNothing(), letGo() and
// setTemporaryOwner(const std::shared_ptr<T>&).

#include "core/FlagGuard.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace Tarnu
{

class Teardown
{
protected:
    Teardown() = default;
    ~Teardown() = default;

    /// True unless the object is being destroyed; then the refused operation is logged.
    bool takesAdditions(const char* operation) const;

private:
    template <class T>
    friend struct TeardownDeleter;

    bool beingDestroyed = false;
};

template <class T>
struct TeardownDeleter
{
    void operator()(T* object) const
    {
        if (object->holdsNothing())
        {
            delete object;
            return;
        }
        std::vector<T*>& queue = waiting();
        queue.push_back(object);
        if (working)
            return;
        FlagGuard guard(working);
        while (!queue.empty())
        {
            T* next = queue.back();
            queue.pop_back();
            const std::size_t before = queue.size();
            {
                const std::shared_ptr<T> temporary(next, TeardownDeleter());
                next->setTemporaryOwner(temporary);
                FlagGuard dying(next->beingDestroyed);
                next->letGo();
            }
            std::reverse(queue.begin() + static_cast<std::ptrdiff_t>(before), queue.end());
        }
    }

private:
    static std::vector<T*>& waiting()
    {
        static std::vector<T*> queue;
        return queue;
    }

    static inline bool working = false;
};

}
