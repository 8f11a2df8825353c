#include "core/python/CycleCollection.h"

#include <boost/python/converter/shared_ptr_deleter.hpp>
#include <boost/python/object/class_detail.hpp>
#include <boost/python/object/instance.hpp>

#include <algorithm>
#include <limits>
#include <string>

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

OwnershipWalk& OwnershipWalk::begin(PyObject* self, Reach reach)
{
    static OwnershipWalk walk;
    walk.self = self;
    walk.seesThrough = reach == Reach::THROUGH_CAPTIVES;
    walk.byBlock.clear();
    walk.entered.clear();
    walk.extenderByClass.clear();
    walk.used = 0;
    walk.edges.clear();
    walk.heldByInstance.clear();
    walk.attributes.clear();
    walk.unexplored.clear();
    walk.nextToExplore = 0;
    walk.current = INSTANCE;
    return walk;
}

OwnershipWalk& OwnershipWalk::from(PyObject* self, const cycles::HeldPointer& held, Reach reach)
{
    OwnershipWalk& walk = begin(self, reach);
    held.type->visit(held.shared, walk);
    walk.complete();
    return walk;
}

void OwnershipWalk::enter(const cycles::HeldPointer& held, Reach reach)
{
    enterCurrent(reach, held.useCount() == 1);
    held.type->visit(held.shared, *this);
}

void OwnershipWalk::visit(const std::shared_ptr<const void>& shared, const void* object, long useCount,
                          Explore explore)
{
    const py::converter::shared_ptr_deleter* deleter = pythonDeleter(shared);
    const void* const block = deleter ? static_cast<const void*>(deleter) : object;
    std::size_t index = byBlock.find(block);
    if (index == PointerTable::NONE)
    {
        if (used == MAX_NODES)
            return;
        index = used;
        byBlock.insert(block, index);
        add(shared.get(), deleter ? deleter->owner.get() : nullptr, useCount, false);
    }
    Node& node = nodes[index];
    ++node.copiesFound;
    // A block first met through a base that lists nothing is explored through the first that does.
    if (!node.python && !node.explore && explore)
    {
        node.object = shared.get();
        node.explore = explore;
    }
    if (current == INSTANCE || !nodes[current].captive || nodes[current].transparent)
        node.explorable = true;
    if (node.explore && node.explorable && !node.queued)
    {
        node.queued = true;
        unexplored.push_back(index);
    }
    own(current, index);
}

OwnershipWalk::Node& OwnershipWalk::add(const void* object, PyObject* python, long useCount, bool captive)
{
    if (used == nodes.size())
        nodes.emplace_back();
    Node& node = nodes[used++];
    node = {};
    node.object = object;
    node.python = python;
    node.lastOwned = NO_EDGE;
    // No object has that many owners; a count cut down to it is never matched by copies found.
    node.useCount = static_cast<Count>(std::min<long>(useCount, std::numeric_limits<Count>::max()));
    node.captive = captive;
    node.transparent = captive && seesThrough;
    return node;
}

void OwnershipWalk::own(std::size_t holder, std::size_t owned)
{
    if (holder == INSTANCE)
    {
        heldByInstance.push_back(owned);
        return;
    }
    edges.push_back({static_cast<std::uint32_t>(owned), nodes[holder].lastOwned});
    nodes[holder].lastOwned = static_cast<std::uint32_t>(edges.size() - 1);
}

void OwnershipWalk::enterCurrent(Reach reach, bool walksItself)
{
    if (current == INSTANCE)
        return;
    // A captive object whose own walk sees through captives claims what lies beyond it: were it
    // explored here too, both walks could claim the same references.
    if (reach == Reach::THROUGH_CAPTIVES)
        nodes[current].transparent = false;
    nodes[current].walksItself = walksItself;
}

void OwnershipWalk::complete()
{
    do
        exploreAll();
    while (enterCaptives());
    markHeldFromOutside();
    if (seesThrough)
        markClaimableByCaptives();
    else
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
    // The references the walk knows of to objects not entered yet, by the object they keep
    // alive: Python-made blocks (held by the block's node) and the attributes of captive
    // objects whose __dict__ nothing else holds (held by the captive object's node).
    references.clear();
    for (std::size_t index = 0; index < used; ++index)
        if (nodes[index].python && !nodes[index].captive && !nodes[index].pythonEntered)
            references.push_back({nodes[index].python, index, true});
    for (const Reference& attribute : attributes)
        if (entered.find(attribute.python) == PointerTable::NONE)
            references.push_back(attribute);
    groups.clear();
    groupOf.clear();
    for (const Reference& reference : references)
    {
        Group& group = groups[groupFor(reference.python)];
        // Each block must be held only by what the walk found.
        const Node& holder = nodes[reference.holder];
        group.references += 1;
        group.complete = group.complete && (!reference.block || holder.copiesFound == holder.useCount);
    }
    if (used + groups.size() > MAX_NODES)
        return false;
    findCaptiveGroups();
    bool enteredAny = false;
    for (Group& group : groups)
        if (!group.dropped)
        {
            group.captive = used;
            entered.insert(group.python, used);
            add(nullptr, group.python, 0, true);
            enteredAny = true;
        }
    for (const Reference& reference : references)
    {
        const std::size_t captive = groups[groupOf.find(reference.python)].captive;
        if (captive == INSTANCE)
            continue;
        own(reference.holder, captive);
        nodes[reference.holder].pythonEntered = nodes[reference.holder].pythonEntered || reference.block;
    }
    for (const Group& group : groups)
        for (std::size_t next = group.firstHeld; group.captive != INSTANCE && next < group.endHeld; ++next)
        {
            const Group& held = groups[heldByGroups[next]];
            if (held.captive != INSTANCE)
                own(group.captive, held.captive);
            else
                attributes.push_back({held.python, group.captive, false});
        }
    for (const Group& group : groups)
        if (group.captive != INSTANCE)
        {
            current = group.captive;
            enterEnginePart(group.python);
            current = INSTANCE;
        }
    return enteredAny;
}

std::size_t OwnershipWalk::groupFor(PyObject* python)
{
    std::size_t group = groupOf.find(python);
    if (group == PointerTable::NONE)
    {
        group = groups.size();
        groupOf.insert(python, group);
        groups.push_back({python, 0, 0, true, false, INSTANCE, 0, 0});
    }
    return group;
}

void OwnershipWalk::findCaptiveGroups()
{
    // The objects that may be captive hold one another through their attributes (a
    // component that keeps itself, or two that keep each other): the captive ones are
    // the largest set of them whose every reference is one the walk found or an
    // attribute of another of the set. Each first counts the attributes of all of them.
    static PyTypeObject* const instanceType = py::objects::class_type().get();
    heldByGroups.clear();
    for (std::size_t index = 0; index < groups.size(); ++index)
    {
        groups[index].firstHeld = heldByGroups.size();
        PyObject* dict = groups[index].complete && groups[index].python != self &&
                                 PyObject_TypeCheck(groups[index].python, instanceType)
                             ? asInstance(groups[index].python)->dict
                             : nullptr;
        // Only a __dict__ that its object alone holds is the object's to count.
        Py_ssize_t position = 0;
        PyObject* key = nullptr;
        PyObject* value = nullptr;
        while (dict && Py_REFCNT(dict) == 1 && PyDict_Check(dict) && PyDict_Next(dict, &position, &key, &value))
            if (PyObject_TypeCheck(value, instanceType))
            {
                const std::size_t held = groupFor(value);
                heldByGroups.push_back(held);
                groups[held].held += 1;
            }
        groups[index].endHeld = heldByGroups.size();
    }
    // Then each that something else holds too leaves the set, and its attributes no longer count.
    std::vector<std::size_t>& pending = captiveCore;
    pending.clear();
    for (std::size_t index = 0; index < groups.size(); ++index)
        pending.push_back(index);
    while (!pending.empty())
    {
        Group& group = groups[pending.back()];
        pending.pop_back();
        if (group.dropped || (group.python != self && group.complete &&
                              Py_REFCNT(group.python) == group.references + group.held))
            continue;
        group.dropped = true;
        for (std::size_t next = group.firstHeld; next < group.endHeld; ++next)
        {
            groups[heldByGroups[next]].held -= 1;
            pending.push_back(heldByGroups[next]);
        }
    }
}

void OwnershipWalk::enterEnginePart(PyObject* python)
{
    // The classes a walk meets are few: a class's extender is looked for once per walk (not
    // longer: a class that dies may leave its place to another). It is the one of the hooks the
    // object runs, so that the walk enters it as far as its own walk reaches, and no further.
    const std::vector<cycles::Extender>& extenders = cycles::extenders();
    std::size_t known = extenderByClass.find(Py_TYPE(python));
    if (known == PointerTable::NONE)
    {
        known = cycles::extenderOf(Py_TYPE(python));
        extenderByClass.insert(Py_TYPE(python), known);
    }
    if (known != extenders.size())
        extenders[known](python, *this);
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
        forEachHeldBy(index, [this, &outside](std::size_t owned) {
            if (!nodes[owned].heldFromOutside)
            {
                nodes[owned].heldFromOutside = true;
                outside.push_back(owned);
            }
        });
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
        forEachHeldBy(index, hold);
    }
}

void OwnershipWalk::markClaimableByCaptives()
{
    // A reference some captive object's own walk may claim is left to it. That walk
    // claims a reference only when every copy of its block is held from the captive's
    // core (what its engine part reaches without passing another Python object), and
    // sees a copy of an object in its core only when the holder is in that core or is
    // a captive it meets there too: an object with a copy held from anywhere else is
    // outside for it, and so is everything that object holds.
    coreCounts.assign(used, {INSTANCE, INSTANCE, 0, 0, 0, 0, 0, 0, false, false});
    for (const Edge& edge : edges)
        if (nodes[edge.owned].captive)
            ++coreCounts[edge.owned].references;
    // The instance may be a captive in that walk: what it holds counts as seen there.
    for (const std::size_t owned : heldByInstance)
        ++coreCounts[owned].copiesFromCaptives;
    for (std::size_t index = 0; index < used; ++index)
        if (nodes[index].captive)
            forEachHeldBy(index, [this](std::size_t owned) { ++coreCounts[owned].copiesFromCaptives; });
    // One whose engine object something else holds too (an entity that a kept event holds besides
    // its wrapper) does not walk at all: what it reaches is this walk's to claim.
    for (std::size_t captive = 0; captive < used; ++captive)
    {
        if (!nodes[captive].captive || !nodes[captive].walksItself)
            continue;
        findCaptiveCore(captive);
        countCopiesFromMetCaptives(captive);
        markBlockedInCore(captive);
        for (const std::size_t index : captiveCore)
        {
            const CoreCount& count = coreCounts[index];
            if (nodes[index].python && !count.blocked && count.copiesFromStamp == nodes[index].copiesFound)
                nodes[index].claimableByCaptive = true;
        }
    }
}

void OwnershipWalk::findCaptiveCore(std::size_t captive)
{
    captiveCore.clear();
    const auto count = [this, captive](std::size_t holder) {
        forEachHeldBy(holder, [this, captive, holder](std::size_t owned) {
            if (nodes[owned].captive)
                return;
            CoreCount& count = coreCounts[owned];
            if (count.stamp != captive)
            {
                count.stamp = captive;
                count.copiesFromStamp = 0;
                count.copiesFromStampItself = 0;
                count.copiesFromMet = 0;
                count.blocked = false;
                captiveCore.push_back(owned);
            }
            ++count.copiesFromStamp;
            if (holder == captive)
                ++count.copiesFromStampItself;
        });
    };
    count(captive);
    for (std::size_t next = 0; next < captiveCore.size(); ++next)
        count(captiveCore[next]);
}

void OwnershipWalk::countCopiesFromMetCaptives(std::size_t captive)
{
    // The captive objects its walk may meet: each whose every reference lies in what that walk
    // meets, from its core's Python-made blocks, the attributes of those it meets, and the
    // Python-made blocks their engine parts hold themselves (their engine parts are not
    // explored there). Past a few, every captive object counts as met, which may leave to it
    // what it cannot claim (a leak, never a reference claimed twice).
    constexpr std::size_t MAX_MET = 64;
    std::vector<std::size_t>& met = metCaptives;
    met.clear();
    const auto reference = [this, captive, &met](std::size_t owned) {
        if (!nodes[owned].captive)
            return;
        CoreCount& count = coreCounts[owned];
        if (count.metStamp != captive)
        {
            count.metStamp = captive;
            count.referencesMet = 0;
            count.met = false;
        }
        if (++count.referencesMet == count.references && !count.met)
        {
            count.met = true;
            met.push_back(owned);
        }
    };
    coreCounts[captive].metStamp = captive;
    coreCounts[captive].met = true;
    met.push_back(captive);
    for (const std::size_t index : captiveCore)
        if (nodes[index].python)
            forEachHeldBy(index, reference);
    for (std::size_t next = 0; next < met.size() && met.size() <= MAX_MET; ++next)
        forEachHeldBy(met[next], [this, captive, &reference](std::size_t owned) {
            CoreCount& count = coreCounts[owned];
            if (nodes[owned].captive)
                reference(owned);
            else if (nodes[owned].python && count.stamp != captive && count.metStamp != captive)
            {
                count.metStamp = captive;
                forEachHeldBy(owned, reference);
            }
        });
    if (met.size() > MAX_MET)
    {
        for (const std::size_t index : captiveCore)
            coreCounts[index].copiesFromMet =
                coreCounts[index].copiesFromCaptives - coreCounts[index].copiesFromStampItself;
        return;
    }
    // The instance may be one of them.
    const auto count = [this, captive](std::size_t owned) {
        if (!nodes[owned].captive && coreCounts[owned].stamp == captive)
            ++coreCounts[owned].copiesFromMet;
    };
    for (const std::size_t owned : heldByInstance)
        count(owned);
    for (std::size_t next = 1; next < met.size(); ++next)
        forEachHeldBy(met[next], count);
}

void OwnershipWalk::markBlockedInCore(std::size_t captive)
{
    std::vector<std::size_t>& blocked = unexplored;
    blocked.clear();
    for (const std::size_t index : captiveCore)
    {
        CoreCount& count = coreCounts[index];
        if (nodes[index].copiesFound > count.copiesFromStamp + count.copiesFromMet)
        {
            count.blocked = true;
            blocked.push_back(index);
        }
    }
    while (!blocked.empty())
    {
        const std::size_t index = blocked.back();
        blocked.pop_back();
        forEachHeldBy(index, [this, captive, &blocked](std::size_t owned) {
            CoreCount& count = coreCounts[owned];
            if (!nodes[owned].captive && count.stamp == captive && !count.blocked)
            {
                count.blocked = true;
                blocked.push_back(owned);
            }
        });
    }
}

int OwnershipWalk::visitClaimed(visitproc visit, void* arg)
{
    // One reference per block: each Python-made block holds its object once. A walk that sees
    // through captives claims every reference only the instance keeps alive that no captive's
    // walk may claim; any other, the references its own core alone holds.
    cycles::KeptClaims::Keeping keeping(self, visit);
    for (std::size_t index = 0; index < used; ++index)
    {
        const Node& node = nodes[index];
        if (!node.python || node.captive || node.heldFromOutside)
            continue;
        if (seesThrough ? !node.claimableByCaptive : node.copiesFromCore == node.useCount)
        {
            keeping.add(node.python);
            Py_VISIT(node.python);
        }
    }
    return 0;
}

namespace cycles
{

KeptClaims& KeptClaims::get()
{
    static KeptClaims kept;
    return kept;
}

namespace
{

// The collector's visit functions: the one it counts references with, then the one it marks what is
// reachable with. Null when the probe could not tell them, and then nothing is kept.
visitproc countingVisit = nullptr;
visitproc markingVisit = nullptr;

int probeTraverse(PyObject* /*self*/, visitproc visit, void* /*arg*/)
{
    if (!countingVisit)
        countingVisit = visit;
    else if (!markingVisit && visit != countingVisit)
        markingVisit = visit;
    return 0;
}

void releaseProbe(PyObject* self)
{
    PyObject_GC_UnTrack(self);
    PyObject_GC_Del(self);
}

}

void KeptClaims::learnPasses()
{
    // A probe that something outside the collector holds is reachable: the collector counts its references,
    // then marks it, each through the probe's walk.
    static PyTypeObject probeType = [] {
        PyTypeObject type{};
        Py_SET_REFCNT(reinterpret_cast<PyObject*>(&type), 1);
        type.tp_name = "tarnu.CollectorProbe";
        type.tp_basicsize = sizeof(PyObject);
        type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
        type.tp_traverse = &probeTraverse;
        type.tp_dealloc = &releaseProbe;
        return type;
    }();
    if (PyType_Ready(&probeType) < 0)
        py::throw_error_already_set();
    PyObject* probe = PyObject_GC_New(PyObject, &probeType);
    if (!probe)
        py::throw_error_already_set();
    PyObject_GC_Track(probe);
    const py::object held(py::handle<>(probe));
    py::import("gc").attr("collect")(0);
    if (!markingVisit)
        countingVisit = nullptr;
}

void KeptClaims::collectionStarts()
{
    pass = markingVisit ? Pass::COUNTING : Pass::NONE;
    byInstance.clear();
    spans.clear();
    claims.clear();
}

void KeptClaims::collectionEnds()
{
    pass = Pass::NONE;
}

bool KeptClaims::visit(PyObject* self, visitproc visit, void* arg, int& stop)
{
    if (pass == Pass::NONE)
        return false;
    if (visit == countingVisit)
    {
        // Counting again (each object is counted once a look) means finalisers ran since the first look.
        if (pass == Pass::MARKING || byInstance.find(self) != PointerTable::NONE)
            pass = Pass::NONE;
        return false;
    }
    if (visit != markingVisit)
    {
        // A look of the script's: callbacks and finalisers may have run, or may yet.
        pass = Pass::NONE;
        return false;
    }
    pass = Pass::MARKING;
    const std::size_t index = byInstance.find(self);
    if (index == PointerTable::NONE)
        return false;
    stop = 0;
    for (std::size_t next = spans[index].first; next < spans[index].second && !stop; ++next)
        stop = visit(claims[next], arg);
    return true;
}

KeptClaims::Keeping::Keeping(PyObject* self, visitproc visit)
    : kept(get()), keeping(kept.pass == Pass::COUNTING && visit == countingVisit)
{
    if (keeping)
    {
        kept.byInstance.insert(self, kept.spans.size());
        kept.spans.emplace_back(kept.claims.size(), kept.claims.size());
    }
}

void KeptClaims::Keeping::add(PyObject* python)
{
    if (keeping)
    {
        kept.claims.push_back(python);
        kept.spans.back().second = kept.claims.size();
    }
}

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
    if (collecting)
        KeptClaims::get().collectionStarts();
    else
        KeptClaims::get().collectionEnds();
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

namespace
{

// The hooks of each class made to collect cycles, beside its extender.
std::vector<traverseproc>& hooks()
{
    static std::vector<traverseproc> registered;
    return registered;
}

std::vector<Extender>& registeredExtenders()
{
    static std::vector<Extender> registered;
    return registered;
}

std::deque<SharedPointerType>& registeredSharedPointerTypes()
{
    static std::deque<SharedPointerType> registered;
    return registered;
}

}

const std::vector<Extender>& extenders()
{
    return registeredExtenders();
}

void addExtender(traverseproc hook, Extender extender)
{
    hooks().push_back(hook);
    registeredExtenders().push_back(extender);
}

std::size_t extenderOf(PyTypeObject* type)
{
    const std::vector<traverseproc>& known = hooks();
    for (; type; type = type->tp_base)
        if (const auto found = std::find(known.begin(), known.end(), type->tp_traverse); found != known.end())
            return static_cast<std::size_t>(found - known.begin());
    return known.size();
}

const std::deque<SharedPointerType>& sharedPointerTypes()
{
    return registeredSharedPointerTypes();
}

void addSharedPointerType(const SharedPointerType& type)
{
    std::deque<SharedPointerType>& registered = registeredSharedPointerTypes();
    if (std::none_of(registered.begin(), registered.end(),
                     [&type](const SharedPointerType& known) { return known.type == type.type; }))
    {
        registered.push_back(type);
        sharedPointerTypeCount = registered.size();
    }
}

namespace
{

HolderLayouts::Layout learnLayout(py::instance_holder* holder, py::type_info root,
                                  const void* (*mostDerived)(const void*))
{
    const auto offsetOf = [holder](const void* part) {
        return static_cast<const char*>(part) - reinterpret_cast<const char*>(holder);
    };
    const std::type_info* kind = &typeid(*holder);
    void* object = holder->holds(root, false);
    if (!object)
        return {kind, HolderLayouts::NONE, 0, nullptr};
    // A holder hands out the shared pointer it keeps, a member of its own, when asked for that
    // pointer's own type.
    for (const SharedPointerType& type : sharedPointerTypes())
        if (const void* shared = holder->holds(type.type, false))
            return {kind, HolderLayouts::SHARED, offsetOf(shared), &type};
    // Else the holder keeps its object either by value, right after its own
    // fields, or behind a pointer elsewhere: a value lies within the holder's
    // alignment of the holder (at most a cache line), a pointee never does.
    const std::ptrdiff_t start = offsetOf(mostDerived(object));
    if (start >= static_cast<std::ptrdiff_t>(sizeof(py::instance_holder)) && start <= 64)
        return {kind, HolderLayouts::INSIDE, offsetOf(object), nullptr};
    return {kind, HolderLayouts::NONE, 0, nullptr};
}

}

HeldRoot findRoot(PyObject* self, HolderLayouts& layouts, py::type_info root, const void* (*mostDerived)(const void*))
{
    // A holder learnt before its kind of shared pointer was registered is learnt again.
    if (layouts.typesKnown != sharedPointerTypeCount)
    {
        layouts.byHolder.clear();
        layouts.typesKnown = sharedPointerTypeCount;
    }
    for (py::instance_holder* holder = asInstance(self)->objects; holder; holder = holder->next())
    {
        const std::type_info* kind = &typeid(*holder);
        auto known = std::find_if(layouts.byHolder.begin(), layouts.byHolder.end(),
                                  [kind](const HolderLayouts::Layout& layout) { return layout.holder == kind; });
        if (known == layouts.byHolder.end())
            known = layouts.byHolder.insert(known, learnLayout(holder, root, mostDerived));
        if (known->kind != HolderLayouts::NONE)
        {
            layouts.last = static_cast<std::size_t>(known - layouts.byHolder.begin());
            return readHeld(holder, *known);
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
    cycles::KeptClaims::learnPasses();
    py::import("gc").attr("callbacks").attr("append")(py::make_function(&cycles::notePhase));
}

}
