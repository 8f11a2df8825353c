#include "core/python/CycleCollection.h"

#include <boost/python/converter/shared_ptr_deleter.hpp>
#include <boost/python/object/class_detail.hpp>
#include <boost/python/object/instance.hpp>

#include <algorithm>
#include <string>
#include <unordered_map>

namespace Tarnu
{

namespace py = boost::python;

namespace
{

py::objects::instance<>* asInstance(PyObject* self)
{
    return reinterpret_cast<py::objects::instance<>*>(self);
}

/// The deleter of a reference made from Python, which keeps its Python object alive; null for the engine's own.
const py::converter::shared_ptr_deleter* pythonDeleter(const std::shared_ptr<const void>& reference)
{
    return std::get_deleter<py::converter::shared_ptr_deleter>(reference);
}

}

OwnershipWalk& OwnershipWalk::begin(PyObject* self)
{
    static OwnershipWalk walk;
    walk.self = self;
    // Clearing costs the table's size, not its contents': after a large walk the next starts afresh.
    if (walk.byBlock.bucket_count() > 256)
        decltype(walk.byBlock)().swap(walk.byBlock);
    else
        walk.byBlock.clear();
    walk.used = 0;
    walk.heldByInstance.clear();
    walk.entered.clear();
    walk.attributes.clear();
    walk.unexplored.clear();
    walk.nextToExplore = 0;
    walk.current = INSTANCE;
    return walk;
}

void OwnershipWalk::visit(const std::shared_ptr<const void>& shared, const void* object, long useCount,
                          Explore explore)
{
    const py::converter::shared_ptr_deleter* deleter = pythonDeleter(shared);
    const auto [found, added] = byBlock.try_emplace(deleter ? static_cast<const void*>(deleter) : object, used);
    if (added)
    {
        if (used == MAX_NODES)
        {
            byBlock.erase(found);
            return;
        }
        if (used == nodes.size())
            nodes.emplace_back();
        Node& node = nodes[used++];
        node = {shared.get(), nullptr, useCount, 0, 0, deleter ? deleter->owner.get() : nullptr,
                false, false, false, false, false, std::move(node.owned)};
        node.owned.clear();
    }
    const std::size_t index = found->second;
    Node& node = nodes[index];
    ++node.copiesFound;
    // A block first met through a base that lists nothing is explored through the first that does.
    if (!node.python && !node.explore && explore)
    {
        node.object = shared.get();
        node.explore = explore;
    }
    if (current == INSTANCE || !nodes[current].captive)
        node.heldBeyondCaptives = true;
    if (node.explore && node.heldBeyondCaptives && !node.queued)
    {
        node.queued = true;
        unexplored.push_back(index);
    }
    (current == INSTANCE ? heldByInstance : nodes[current].owned).push_back(index);
}

void OwnershipWalk::complete()
{
    do
        exploreAll();
    while (enterCaptives());
    markHeldFromOutside();
    markCore();
}

void OwnershipWalk::exploreAll()
{
    // A loop over a work list: scene graphs are far deeper than the stack.
    while (nextToExplore < unexplored.size())
    {
        current = unexplored[nextToExplore++];
        nodes[current].explore(nodes[current].object, *this);
    }
    current = INSTANCE;
}

bool OwnershipWalk::enterCaptives()
{
    // The references the walk knows of, by the object they keep alive: Python-made
    // blocks (held by the block's node) and the attributes of captive objects whose
    // __dict__ nothing else holds (held by the captive object's node).
    byPython.clear();
    for (std::size_t index = 0; index < used; ++index)
        if (nodes[index].python && !nodes[index].captive)
            byPython.push_back({nodes[index].python, index, true});
    byPython.insert(byPython.end(), attributes.begin(), attributes.end());
    std::sort(byPython.begin(), byPython.end(),
              [](const Reference& a, const Reference& b) { return a.python < b.python; });
    bool enteredAny = false;
    for (auto group = byPython.begin(); group != byPython.end();)
    {
        PyObject* const python = group->python;
        const auto end =
            std::find_if(group, byPython.end(), [python](const Reference& reference) { return reference.python != python; });
        const auto references = std::ranges::subrange(group, end);
        group = end;
        if (python == self || used == MAX_NODES ||
            std::find(entered.begin(), entered.end(), python) != entered.end())
            continue;
        // Captive: every reference to it is one of these, and each block is held only by what the walk found.
        if (Py_REFCNT(python) != std::ranges::distance(references))
            continue;
        const bool complete = std::ranges::all_of(references, [this](const Reference& reference) {
            return !reference.block || nodes[reference.holder].copiesFound == nodes[reference.holder].useCount;
        });
        if (!complete)
            continue;
        entered.push_back(python);
        if (used == nodes.size())
            nodes.emplace_back();
        const std::size_t index = used++;
        nodes[index] = {nullptr, nullptr, 0, 0, 0, python, true, false, false, false, false,
                        std::move(nodes[index].owned)};
        nodes[index].owned.clear();
        for (const Reference& reference : references)
            nodes[reference.holder].owned.push_back(index);
        current = index;
        for (const cycles::Extender extend : cycles::extenders())
            if (extend(python, *this))
                break;
        current = INSTANCE;
        noteAttributes(python, index);
        enteredAny = true;
    }
    return enteredAny;
}

void OwnershipWalk::noteAttributes(PyObject* python, std::size_t captive)
{
    // A component's `self.owner = entity`: the attribute is the entity wrapper's one
    // reference when the wrapper, like the component, is the engine's alone.
    static PyTypeObject* const instanceType = py::objects::class_type().get();
    if (!PyObject_TypeCheck(python, instanceType))
        return;
    PyObject* dict = asInstance(python)->dict;
    if (!dict || Py_REFCNT(dict) != 1 || !PyDict_Check(dict))
        return;
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(dict, &position, &key, &value))
        if (PyObject_TypeCheck(value, instanceType))
            attributes.push_back({value, captive, false});
}

void OwnershipWalk::markHeldFromOutside()
{
    // A block with a copy the walk did not find is held from outside, and so is
    // everything it owns: those stay alive whatever happens to this instance.
    std::vector<std::size_t>& outside = unexplored;
    outside.clear();
    for (std::size_t index = 0; index < used; ++index)
        if (!nodes[index].captive && nodes[index].copiesFound != nodes[index].useCount)
        {
            nodes[index].heldFromOutside = true;
            outside.push_back(index);
        }
    while (!outside.empty())
    {
        const std::size_t index = outside.back();
        outside.pop_back();
        for (const std::size_t owned : nodes[index].owned)
            if (!nodes[owned].heldFromOutside)
            {
                nodes[owned].heldFromOutside = true;
                outside.push_back(owned);
            }
    }
}

void OwnershipWalk::markCore()
{
    // The core is what the instance reaches without passing through a captive
    // object: a captive object's own walk claims what its engine part holds.
    std::vector<std::size_t>& reached = unexplored;
    reached.clear();
    const auto hold = [this, &reached](std::size_t index) {
        Node& node = nodes[index];
        ++node.copiesFromCore;
        if (!node.core && !node.captive)
        {
            node.core = true;
            reached.push_back(index);
        }
    };
    for (const std::size_t index : heldByInstance)
        hold(index);
    while (!reached.empty())
    {
        const std::size_t index = reached.back();
        reached.pop_back();
        for (const std::size_t owned : nodes[index].owned)
            hold(owned);
    }
}

int OwnershipWalk::visitClaimed(visitproc visit, void* arg)
{
    // One reference per block: each Python-made block holds its object once.
    for (std::size_t index = 0; index < used; ++index)
    {
        const Node& node = nodes[index];
        if (node.python && !node.captive && !node.heldFromOutside && node.copiesFromCore == node.useCount)
            Py_VISIT(node.python);
    }
    return 0;
}

namespace cycles
{

namespace
{

bool collecting = false;
bool collectAgainAfter = false;

int collectAgain(void*)
{
    PyGC_Collect();
    return 0;
}

/// Told by the collector as each collection starts and stops.
void notePhase(const std::string& phase, const py::object& /*info*/)
{
    collecting = phase == "start";
    // Asked for only once the collection is over: a pending call that ran
    // during it (scripts run as objects die) would find the collector busy.
    if (!collecting && collectAgainAfter && Py_AddPendingCall(&collectAgain, nullptr) == 0)
        collectAgainAfter = false;
}

}

void collectAgainAfterThisCollection() noexcept
{
    if (collecting)
        collectAgainAfter = true;
}

std::vector<Extender>& extenders()
{
    static std::vector<Extender> registered;
    return registered;
}

void addExtender(Extender extender)
{
    extenders().push_back(extender);
}

namespace
{

HolderLayouts::Layout learnLayout(py::instance_holder* holder, py::type_info root, py::type_info sharedRoot,
                                  const void* (*mostDerived)(const void*))
{
    const auto offsetOf = [holder](const void* part) {
        return static_cast<const char*>(part) - reinterpret_cast<const char*>(holder);
    };
    if (void* shared = holder->holds(sharedRoot, false))
        return {HolderLayouts::SHARED, offsetOf(shared)};
    void* object = holder->holds(root, false);
    // A holder keeps its object either by value, right after its own fields,
    // or behind a pointer elsewhere: a value lies within the holder's alignment
    // of the holder (at most a cache line), a pointee never does.
    const std::ptrdiff_t start = object ? offsetOf(mostDerived(object)) : 0;
    if (object && start >= static_cast<std::ptrdiff_t>(sizeof(py::instance_holder)) && start <= 64)
        return {HolderLayouts::INSIDE, offsetOf(object)};
    return {HolderLayouts::NONE, 0};
}

}

HeldRoot findRoot(PyObject* self, HolderLayouts& layouts, py::type_info root, py::type_info sharedRoot,
                  const void* (*mostDerived)(const void*))
{
    for (py::instance_holder* holder = asInstance(self)->objects; holder; holder = holder->next())
    {
        auto [known, added] = layouts.byHolder.try_emplace(&typeid(*holder));
        if (added)
            known->second = learnLayout(holder, root, sharedRoot, mostDerived);
        char* part = reinterpret_cast<char*>(holder) + known->second.offset;
        HeldRoot found;
        if (known->second.kind == HolderLayouts::INSIDE)
        {
            found.object = part;
            found.inside = true;
            return found;
        }
        if (known->second.kind == HolderLayouts::SHARED)
        {
            found.shared = part;
            return found;
        }
    }
    return {};
}

int visitInstance(PyObject* self, visitproc visit, void* arg)
{
    Py_VISIT(asInstance(self)->dict);
    // An instance of a class made at run time owns a reference to it; the
    // interpreter's own walk shows it only when it reaches a built-in base.
    if (PyType_HasFeature(Py_TYPE(self), Py_TPFLAGS_HEAPTYPE))
        Py_VISIT(Py_TYPE(self));
    return 0;
}

int clearInstance(PyObject* self)
{
    Py_CLEAR(asInstance(self)->dict);
    return 0;
}

void setHooks(const py::object& pythonClass, traverseproc traverse, inquiry clear, destructor finalize)
{
    auto* type = reinterpret_cast<PyTypeObject*>(pythonClass.ptr());
    type->tp_traverse = traverse;
    type->tp_clear = clear;
    if (finalize)
    {
        // Subclasses made later inherit the finaliser only with the flag.
        type->tp_finalize = finalize;
        type->tp_flags |= Py_TPFLAGS_HAVE_FINALIZE;
    }
}

}

namespace
{

int visitDict(PyObject* self, visitproc visit, void* arg)
{
    Py_VISIT(asInstance(self)->dict);
    return 0;
}

newfunc makeClass = nullptr;

/// Makes a class, and gives a script's subclass of an engine class the engine class's finaliser,
/// which the interpreter does not pass on to classes made at run time.
PyObject* makeClassWithFinalizer(PyTypeObject* metatype, PyObject* args, PyObject* keywords)
{
    PyObject* made = makeClass(metatype, args, keywords);
    if (!made || !PyType_Check(made))
        return made;
    auto* type = reinterpret_cast<PyTypeObject*>(made);
    for (PyTypeObject* base = type->tp_base; base && !type->tp_finalize; base = base->tp_base)
        if (base->tp_finalize)
        {
            type->tp_finalize = base->tp_finalize;
            type->tp_flags |= Py_TPFLAGS_HAVE_FINALIZE;
        }
    return made;
}

}

void collectCyclesThroughDicts()
{
    // The base of every Boost.Python class: the interpreter's walk over an
    // instance ends here, after its type and its __slots__.
    PyTypeObject* base = py::objects::class_type().get();
    base->tp_traverse = &visitDict;
    base->tp_clear = &cycles::clearInstance;
    PyTypeObject* metatype = py::objects::class_metatype().get();
    makeClass = metatype->tp_new;
    metatype->tp_new = &makeClassWithFinalizer;
    py::import("gc").attr("callbacks").attr("append")(py::make_function(&cycles::notePhase));
}

}
