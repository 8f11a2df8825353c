#include "game/paths/Pathwalker.h"

namespace Tarnu
{

void PathwalkerListener::handleEvent(const std::shared_ptr<Event>& event)
{
    const std::shared_ptr<PathwalkerEvent> walked = std::dynamic_pointer_cast<PathwalkerEvent>(event);
    if (!walked)
        return;
    if (walked->isCompleted())
        pathCompleted(walked->getPath());
    else
        pathAborted(walked->getPath());
}

}
