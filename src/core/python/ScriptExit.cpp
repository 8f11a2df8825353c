#include "core/python/ScriptExit.h"

#include "core/CallbackScope.h"
#include "core/PythonErrors.h"
#include "core/Root.h"

#include <boost/python.hpp>
#include <boost/python/object/class_detail.hpp>
#include <boost/python/object/find_instance.hpp>
#include <boost/python/object/inheritance.hpp>

#include <cstddef>
#include <unordered_set>
#include <vector>

namespace Tarnu
{

namespace py = boost::python;

namespace
{

struct RootClass
{
    const std::type_info* type;
    scriptexit::Enter enter;
};

struct Release
{
    const std::type_info* type;
    ExitStage stage;
    bool (*letGo)(void* object);
};

std::vector<RootClass>& rootClasses()
{
    static std::vector<RootClass> registered;
    return registered;
}

std::vector<Release>& releases()
{
    static std::vector<Release> registered;
    return registered;
}

/// Rounds at most: a callback that makes work for ever must not hang the exit (what it keeps making
/// is then reported as a leak).
constexpr int MAX_ROUNDS = 100;

/// What one round reaches: the engine objects inside the live Python objects, and everything they
/// own, each once, held until the round ends.
class Reach final : public ReferenceVisitor
{
public:
    void enter(PyObject* instance)
    {
        for (const RootClass& root : rootClasses())
            if (void* object = py::objects::find_instance_impl(instance, py::type_info(*root.type)))
                root.enter(object, *this);
    }

    void walk()
    {
        // A loop over a work list: scene graphs are far deeper than the stack.
        for (std::size_t next = 0; next < reached.size(); ++next)
            if (reached[next].explore)
                reached[next].explore(reached[next].held.get(), *this);
    }

    /// Lets every object reached go of what it holds, stage by stage; answers whether any let anything go.
    bool letGo() const
    {
        bool any = false;
        for (const ExitStage stage : {ExitStage::SCENES, ExitStage::NODES, ExitStage::ENTITIES, ExitStage::OTHERS})
            for (const Release& release : releases())
                if (release.stage == stage)
                    for (const Reached& object : reached)
                        if (void* as = py::objects::find_dynamic_type(const_cast<void*>(object.held.get()),
                                                                      py::type_info(*object.type),
                                                                      py::type_info(*release.type)))
                            any = letGoOf(release, as) || any;
        return any;
    }

protected:
    void visit(const std::shared_ptr<const void>& shared, const void* object, long /*useCount*/,
               Explore explore) override
    {
        if (seen.insert(object).second)
            reached.push_back({shared, &declaredType(), explore});
    }

private:
    static bool letGoOf(const Release& release, void* object) noexcept
    {
        bool any = false;
        try
        {
            any = release.letGo(object);
        }
        catch (const py::error_already_set&)
        {
            printPythonException();
        }
        catch (...)
        {
            // What could not be let go stays, and the leak report counts it.
        }
        // An exit a callback's loop raised and the callback let through ends nothing more.
        dropPendingExit();
        return any;
    }

    struct Reached
    {
        std::shared_ptr<const void> held;  // points to the object as its declared class
        const std::type_info* type;
        Explore explore;
    };

    std::vector<Reached> reached;
    std::unordered_set<const void*> seen;  // by the whole object, whatever class it was reached as
};

/// One round; answers whether it let anything go.
bool releaseRound() noexcept
{
    try
    {
        // The live objects are held for the round: callbacks may drop the script's references.
        std::vector<py::object> instances;
        {
            const py::object objects = py::import("gc").attr("get_objects")();
            PyTypeObject* const instanceType = py::objects::class_type().get();
            for (Py_ssize_t i = 0; i < PyList_GET_SIZE(objects.ptr()); ++i)
                if (PyObject* object = PyList_GET_ITEM(objects.ptr(), i); PyObject_TypeCheck(object, instanceType))
                    instances.emplace_back(py::handle<>(py::borrowed(object)));
        }
        Reach reach;
        for (const py::object& instance : instances)
            reach.enter(instance.ptr());
        reach.walk();
        return reach.letGo();
    }
    catch (const py::error_already_set&)
    {
        printPythonException();
    }
    catch (...)
    {
        // Out of memory: what is left is reported.
    }
    return false;
}

void endOfScript()
{
    dropExitsFromNowOn();
    // Mid-run or mid-callback the engine's state is in the hands of the call under way.
    if (!Root::isRunning() && !CallbackScope::isOpen())
        for (int round = 0; round < MAX_ROUNDS; ++round)
            if (!releaseRound())
                break;
    Root::shutdownAtExit();
}
}

namespace scriptexit
{

void addRoot(const std::type_info& type, Enter enter)
{
    rootClasses().push_back({&type, enter});
}

void addRelease(const std::type_info& type, ExitStage stage, bool (*letGo)(void* object))
{
    releases().push_back({&type, stage, letGo});
}

}

void registerScriptExit()
{
    py::import("atexit").attr("register")(py::make_function(&endOfScript));
}

}
