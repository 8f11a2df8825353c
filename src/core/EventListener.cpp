#include "core/EventListener.h"

#include "core/EventManagerImpl.h"

namespace Tarnu
{

EventListener::~EventListener()
{
    removeFromAllDispatchers();
    EventManagerImpl::forgetInDispatches(this);
}

void EventListener::removeFromAllDispatchers()
{
    for (AbstractEventDispatcher* dispatcher : dispatchers)
        dispatcher->removeListener(this);
    dispatchers.clear();
}

}
