#pragma once
// The factory of action events: event scripts and scene actions make their
// events by type name through it.

#include "core/Event.h"
#include "core/ObjectFactory.h"
#include "core/Singleton.h"

#include <memory>

namespace Tarnu
{

class EventFactory : public ObjectFactory<std::shared_ptr<FactoryEvent>, std::shared_ptr<FactoryEvent>>,
                     public Singleton<EventFactory>
{
public:
    EventFactory() : ObjectFactory(ParameterTable::EVENT) {}
};

}
