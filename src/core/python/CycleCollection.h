#pragma once
// Lets Python's cycle collector see the cycles that run through the engine.
// Boost.Python's instances show the collector neither their __dict__ nor what
// their C++ object holds, so a Python component that keeps its entity
// (entity → component → __dict__ → entity wrapper → entity) was never freed.
//
// Every instance now shows its __dict__. An instance of an engine class whose
// object it alone keeps alive (its own shared pointer is the only one, or the
// object lives inside it) also shows the Python objects that object owns
// through engine objects nobody else holds: the walk counts, for each control
// block it meets, the copies it found against the block's use count, and
// claims a Python object only when every copy of its block lies inside what
// the instance alone keeps alive. Whatever is also held from outside the walk
// is left alone, so a doubtful case leaks rather than frees a live object.
//
// Each reference must be claimed by one instance only. Most walks claim what
// their own engine object holds and stop at the Python objects they meet; a
// scene's walk also looks into the nodes, entities and components it holds
// through their Python objects, since what it holds is often held there too
// (an entity by the scene and by its node). It claims what none of those
// objects' own walks could claim (one whose object something else holds too
// has no walk of its own), and stops at other scenes.
//
// An instance holds its object by value or by a shared pointer, to the object's
// own class or to the one the engine handed it out as (a controller made by a
// script, a beacon a unit gave back), which need not be the class whose hooks
// the instance runs: the collector reads each kind of shared pointer through
// the type registered for it, so no holder hides what its object owns.
//
// When the collector finds an entity's, node's or scene's only owner
// unreachable, its finaliser first lets the object's contents go the way its
// destruction would (components leave the entity, nodes the scene), so that
// components hear it while their Python state is still whole; only then are
// __dict__s cleared. The finaliser never destroys the object itself: a Python
// object that the engine refers to (through its own shared pointers, which
// alias the object inside) must stay whole for as long as Python keeps it.

#include "core/OwnedReferences.h"
#include "core/python/PointerTable.h"

#include <boost/python.hpp>
#include <boost/python/object/instance.hpp>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

namespace Tarnu
{

/// Shows every Boost.Python instance's __dict__ to the collector; called before any class is made.
void collectCyclesThroughDicts();

namespace cycles
{

/// How to read one kind of shared pointer that an instance may hold its object by.
struct SharedPointerType
{
    boost::python::type_info type;  // of the std::shared_ptr
    long (*useCount)(const void* shared);
    void (*visit)(const void* shared, ReferenceVisitor& visitor);
};

/// A shared pointer that holds an instance's object, and how to read it.
struct HeldPointer
{
    const void* shared = nullptr;
    const SharedPointerType* type = nullptr;

    explicit operator bool() const { return shared; }
    long useCount() const { return type->useCount(shared); }
};

}

/// How far the walk of a class's instance looks: into its own engine object only, or also
/// through the captive Python objects it meets (but not into those of a class that does too).
enum class Reach
{
    OWN,
    THROUGH_CAPTIVES
};

/// What an instance keeps alive of the engine, counted from one root. One walk
/// runs at a time (the collector's walks never nest), reusing its storage.
class OwnershipWalk final : public ReferenceVisitor
{
public:
    /// From the shared pointer that holds the instance's object.
    static OwnershipWalk& from(PyObject* self, const cycles::HeldPointer& held, Reach reach);

    /// From an object that lives inside the instance.
    template <class Root>
    static OwnershipWalk& from(PyObject* self, const Root& inside, Reach reach)
    {
        OwnershipWalk& walk = begin(self, reach);
        inside.forEachOwned(walk);
        walk.complete();
        return walk;
    }

    /// Visits each Python object reached only through what the instance alone keeps alive.
    int visitClaimed(visitproc visit, void* arg);

    // How an extender enters the engine part of a captive Python object, whose class's walk reaches so far.
    void enter(const cycles::HeldPointer& held, Reach reach);
    /// An object that lives inside it, and whose own walk runs when it owns anything.
    template <class Root>
    void enter(const Root& inside, Reach reach, bool ownsAnything)
    {
        enterCurrent(reach, ownsAnything);
        inside.forEachOwned(*this);
    }

protected:
    void visit(const std::shared_ptr<const void>& shared, const void* object, long useCount,
               Explore explore) override;

private:
    // A control block met on the way, or the engine part of a captive Python object:
    // one that nothing but references found by this walk keep alive (Python-made
    // blocks, and attributes of other captive objects). A captive object lives
    // exactly as long as those, so the references its engine part holds count as
    // found; what lies beyond them is its own walk's to claim, and is explored
    // only when the walk sees through captive objects. Kept small: a walk over a
    // large scene touches each node a few times, at random.
    using Count = std::int32_t;
    static constexpr std::uint32_t NO_EDGE = static_cast<std::uint32_t>(-1);
    struct Node
    {
        const void* object;
        Explore explore;
        PyObject* python;        // what a Python-made reference keeps alive, or the captive object
        std::uint32_t lastOwned;  // the last of the edges to what it holds, each linked to the one before
        Count useCount;
        Count copiesFound;
        Count copiesFromCore;
        bool captive;
        bool transparent;  // a captive object whose engine part the walk explores
        bool explorable;   // held by the instance, an engine object or a transparent captive
        bool queued;
        bool heldFromOutside;
        bool core;
        bool claimableByCaptive;  // a captive object's own walk may claim it
        bool walksItself;         // a captive object whose own walk runs: it alone keeps its engine part alive
        bool pythonEntered;       // a Python-made block whose object was entered as a captive
    };
    struct Edge
    {
        std::uint32_t owned;
        std::uint32_t previous;
    };
    // While finding a captive object's core, per node: the captive it was last counted for,
    // the copies held from that core, and whether a copy held elsewhere hides it. Then, per
    // captive object, whether that captive's walk may meet it (every reference to it lies in
    // what that walk meets), and per Python-made block outside the core, whether its
    // reference was counted there.
    struct CoreCount
    {
        std::size_t stamp;
        std::size_t metStamp;
        Count copiesFromStamp;
        Count copiesFromCaptives;
        Count copiesFromStampItself;
        Count copiesFromMet;  // held by the captive objects its walk may meet
        Count references;     // to a captive object: the edges into it
        Count referencesMet;  // those that lie in what the walk meets
        bool blocked;
        bool met;
    };

    OwnershipWalk() = default;
    static OwnershipWalk& begin(PyObject* self, Reach reach);
    Node& add(const void* object, PyObject* python, long useCount, bool captive);
    /// Notes that the holder (a node, or the instance) holds a copy of the owned node.
    void own(std::size_t holder, std::size_t owned);
    /// Calls visit with each node the holder holds a copy of, once per copy.
    template <class Visit>
    void forEachHeldBy(std::size_t holder, const Visit& visit) const
    {
        for (std::uint32_t edge = nodes[holder].lastOwned; edge != NO_EDGE; edge = edges[edge].previous)
            visit(edges[edge].owned);
    }
    /// Notes how far the captive object being entered walks by itself.
    void enterCurrent(Reach reach, bool walksItself);
    void complete();
    void exploreAll();
    /// Enters the captive Python objects not entered yet; false when there were none.
    bool enterCaptives();
    /// Enters the engine part of a captive object through the extender of its class's hooks, if any.
    void enterEnginePart(PyObject* python);
    /// The group of the references to the object, made when there is none yet.
    std::size_t groupFor(PyObject* python);
    /// Drops from the groups each object that is not captive, with the attributes it held.
    void findCaptiveGroups();
    void markHeldFromOutside();
    void markCore();
    /// Marks what the own walk of some captive object may claim, which a walk that sees through leaves to it.
    void markClaimableByCaptives();
    /// The captive's core: what its engine part reaches without passing another Python object, counted.
    void findCaptiveCore(std::size_t captive);
    /// Counts the copies of the core's objects that the captive objects its own walk may meet hold.
    void countCopiesFromMetCaptives(std::size_t captive);
    /// Marks the core's objects that its captive's own walk cannot see whole.
    void markBlockedInCore(std::size_t captive);

    static constexpr std::size_t INSTANCE = static_cast<std::size_t>(-1);
    /// Objects met at most (a scene of a few hundred thousand entities): beyond, the walk sees less,
    /// which keeps objects alive, never frees them.
    static constexpr std::size_t MAX_NODES = 1 << 21;
    PyObject* self = nullptr;
    bool seesThrough = false;
    std::vector<Node> nodes;
    std::size_t used = 0;  // nodes in use
    std::vector<Edge> edges;
    std::vector<CoreCount> coreCounts;
    std::vector<std::size_t> heldByInstance;
    // A control block by what identifies it: the deleter inside it for a Python-made
    // one, else the object it owns (one block owns an engine object).
    PointerTable byBlock;
    // A reference to a Python object: a Python-made block (holder is the block's
    // node) or an attribute of a captive object (holder is that object's node).
    struct Reference
    {
        PyObject* python;
        std::size_t holder;
        bool block;
    };

    PointerTable entered;  // the captive objects, by Python object
    PointerTable extenderByClass;  // the extender of a class's hooks, or past the end
    std::vector<Reference> attributes;
    std::vector<Reference> references;
    // The objects those keep alive, or that the attributes of such objects do.
    struct Group
    {
        PyObject* python;
        Py_ssize_t references;  // found
        Py_ssize_t held;        // as attributes of the groups still in the set
        bool complete;          // each of its blocks is held only by what the walk found
        bool dropped;           // not captive
        std::size_t captive;    // its node once entered, else INSTANCE
        std::size_t firstHeld, endHeld;  // the groups its attributes hold, in heldByGroups
    };
    std::vector<Group> groups;
    std::vector<std::size_t> heldByGroups;
    PointerTable groupOf;
    std::vector<std::size_t> unexplored;  // first in, first out: what lies nearest the instance first
    std::vector<std::size_t> captiveCore;
    std::vector<std::size_t> metCaptives;
    std::size_t nextToExplore = 0;
    std::size_t current = INSTANCE;
};

namespace cycles
{

/// The kinds of shared pointer registered so far, in order; a kind is never removed, nor moved.
const std::deque<SharedPointerType>& sharedPointerTypes();
void addSharedPointerType(const SharedPointerType& type);

/// How the instance holds its Root object, as far as it can be told apart.
struct HeldRoot
{
    boost::python::instance_holder* holder = nullptr;
    void* inside = nullptr;  // the Root, when it lives inside the instance
    HeldPointer shared;      // else the shared pointer that holds it, when that is how
};

/// Where a kind of holder keeps its Root, learnt once per kind: asking a holder runs
/// the binding library's type search (comparing type names), which the collector would
/// pay for every instance, twice in each collection.
struct HolderLayouts
{
    enum Kind : char
    {
        NONE,    // no Root, or behind a pointer of a kind not registered
        INSIDE,  // by value, at offset from the holder
        SHARED   // behind a shared pointer of a registered kind, at offset from the holder
    };
    struct Layout
    {
        const std::type_info* holder;
        Kind kind;
        std::ptrdiff_t offset;
        const SharedPointerType* sharedType;
    };
    std::vector<Layout> byHolder;  // a few kinds of holder per Root
    std::size_t typesKnown = 0;    // kinds registered when these were learnt
    std::size_t last = 0;          // the layout of the holder met last
};

/// How many kinds of shared pointer are registered (sharedPointerTypes().size(), read without a call).
inline std::size_t sharedPointerTypeCount = 0;

/// The Root as a holder of a learnt kind (not NONE) keeps it.
inline HeldRoot readHeld(boost::python::instance_holder* holder, const HolderLayouts::Layout& layout)
{
    HeldRoot found;
    found.holder = holder;
    char* const at = reinterpret_cast<char*>(holder) + layout.offset;
    if (layout.kind == HolderLayouts::INSIDE)
    {
        found.inside = at;
        return found;
    }
    found.shared = {at, layout.sharedType};
    // An empty pointer holds nothing to read.
    return found.shared.useCount() ? found : HeldRoot{};
}

HeldRoot findRoot(PyObject* self, HolderLayouts& layouts, boost::python::type_info root,
                  const void* (*mostDerived)(const void*));

/// Enters the engine part of a Python object whose class runs the hooks made to collect cycles
/// through Root; false when the object holds no Root it can tell how it holds.
using Extender = bool (*)(PyObject* python, OwnershipWalk& walk);
void addExtender(traverseproc hook, Extender extender);
const std::vector<Extender>& extenders();
/// The index among those of the extender of the hooks that instances of the class run (the
/// nearest base's that has any, as the interpreter's own walk finds them), or past the end.
std::size_t extenderOf(PyTypeObject* type);
int visitInstance(PyObject* self, visitproc visit, void* arg);
int clearInstance(PyObject* self);
void setHooks(const boost::python::object& pythonClass, traverseproc traverse, inquiry clear,
              destructor finalize);

template <class Root>
HeldRoot find(PyObject* self)
{
    static HolderLayouts layouts;
    // The instances of a class are mostly held alike: the kind of holder met last answers at once. The
    // collector asks for every instance it looks at, twice a collection.
    boost::python::instance_holder* holder = reinterpret_cast<boost::python::objects::instance<>*>(self)->objects;
    if (holder && layouts.typesKnown == sharedPointerTypeCount && layouts.last < layouts.byHolder.size())
        if (const HolderLayouts::Layout& layout = layouts.byHolder[layouts.last];
            layout.holder == &typeid(*holder) && layout.kind != HolderLayouts::NONE)
            return readHeld(holder, layout);
    return findRoot(self, layouts, boost::python::type_id<Root>(),
                    [](const void* object) { return dynamic_cast<const void*>(static_cast<const Root*>(object)); });
}

/// The Root object itself, when the instance alone keeps it alive.
template <class Root>
Root* onlyOwned(const HeldRoot& root)
{
    if (root.inside)
        return static_cast<Root*>(root.inside);
    if (root.shared && root.shared.useCount() == 1)
        return static_cast<Root*>(root.holder->holds(boost::python::type_id<Root>(), false));
    return nullptr;
}


/// Whether the object owns anything at all.
template <class Root>
bool ownsAnything(const Root& object)
{
    struct Any final : ReferenceVisitor
    {
        bool found = false;
        void visit(const std::shared_ptr<const void>&, const void*, long, Explore) override { found = true; }
    } any;
    object.forEachOwned(any);
    return any.found;
}

/// The claims of the walks made at the collector's first look at each instance in a collection, kept
/// for its second: the collector counts the references to every object, then marks what is
/// reachable, and runs nothing in between, so a walk would find the same again (a scene's walk costs
/// about a microsecond an entity). Any other look (gc.get_referents from a script, or the counting
/// and marking again once finalisers ran) walks afresh, since what a claim points to may be gone by
/// then, and so does every look after it in that collection.
class KeptClaims
{
public:
    static KeptClaims& get();
    /// Learns the collector's own visit functions, from a probe it collects.
    static void learnPasses();
    void collectionStarts();
    void collectionEnds();
    /// At the second look at an instance whose claims are kept, visits them and answers true.
    bool visit(PyObject* self, visitproc visit, void* arg, int& stop);

    /// Keeps the claims a walk visits at the first look.
    class Keeping
    {
    public:
        Keeping(PyObject* self, visitproc visit);
        void add(PyObject* python);

    private:
        KeptClaims& kept;
        bool keeping;
    };

private:
    enum class Pass
    {
        NONE,      // walks afresh
        COUNTING,  // the first look, which keeps the claims
        MARKING    // the second look, which uses them
    };
    Pass pass = Pass::NONE;
    PointerTable byInstance;  // the index of its span
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    std::vector<PyObject*> claims;
};

template <class Root, Reach reach>
bool extend(PyObject* python, OwnershipWalk& walk)
{
    const HeldRoot root = find<Root>(python);
    if (root.shared)
        walk.enter(root.shared, reach);
    else if (const auto* inside = static_cast<const Root*>(root.inside))
        walk.enter(*inside, reach, ownsAnything(*inside));
    return root.shared || root.inside;
}

template <class Root, Reach reach>
int traverse(PyObject* self, visitproc visit, void* arg)
{
    if (const int stop = visitInstance(self, visit, arg))
        return stop;
    try
    {
        const HeldRoot root = find<Root>(self);
        // An object that something else holds too is not this instance's to claim from: the engine
        // links back to an object's owners weakly, so no copy of its own can explain the others.
        // Most objects that live inside their Python object own nothing (a script's component).
        const bool walks = root.shared ? root.shared.useCount() == 1
                                       : root.inside && ownsAnything(*static_cast<const Root*>(root.inside));
        if (!walks)
            return 0;
        if (int stop = 0; KeptClaims::get().visit(self, visit, arg, stop))
            return stop;
        if (root.shared)
            return OwnershipWalk::from(self, root.shared, reach).visitClaimed(visit, arg);
        return OwnershipWalk::from(self, *static_cast<const Root*>(root.inside), reach).visitClaimed(visit, arg);
    }
    catch (const std::exception&)
    {
        // Out of memory: the collector sees less, which keeps objects alive, never frees them.
    }
    return 0;
}

/// Notes that an engine object is let go while the collector runs. What it held may have been
/// all that kept another engine object from having a single owner, so that the collection could
/// not free that one yet: the interpreter collects once more as soon as it can.
void collectAgainAfterThisCollection() noexcept;

/// Lets the contents of the object go, when the collector found the instance, their only owner,
/// unreachable: the engine calls scripts as it does, with nothing of theirs cleared yet.
template <class Root, bool (*LetGo)(Root&)>
void finalize(PyObject* self)
{
    Root* const only = onlyOwned<Root>(find<Root>(self));
    if (!only)
        return;
    Root& object = *only;
    // At a plain deallocation (the only reference is the one lent for the call) the
    // object's own destruction lets its contents go right after.
    if (Py_REFCNT(self) == 1)
    {
        if (ownsAnything(object))
            collectAgainAfterThisCollection();
        return;
    }
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    try
    {
        if (LetGo(object))
            collectAgainAfterThisCollection();
    }
    catch (...)
    {
        // What could not be let go now goes with the object.
    }
    PyErr_Restore(type, value, traceback);
}

}

/// Lets the collector read a std::shared_ptr<T> that holds an instance's object: every class exposed
/// with a shared pointer to itself as its holder, and every class the engine hands objects out as
/// through a shared pointer, registers it (collectCyclesThrough does for its Root). A kind left out
/// hides what its objects own (a leak), and the copies it holds, from every walk.
template <class T>
void collectCyclesThroughHeld()
{
    cycles::addSharedPointerType(
        {boost::python::type_id<std::shared_ptr<T>>(),
         [](const void* shared) { return static_cast<const std::shared_ptr<T>*>(shared)->use_count(); },
         [](const void* shared, ReferenceVisitor& visitor) {
             visitor(*static_cast<const std::shared_ptr<T>*>(shared));
         }});
}

/// Makes instances of the Python class, and of its subclasses, show what their Root object owns.
template <class Root>
void collectCyclesThrough(const boost::python::object& pythonClass)
{
    collectCyclesThroughHeld<Root>();
    cycles::setHooks(pythonClass, &cycles::traverse<Root, Reach::OWN>, &cycles::clearInstance, nullptr);
    cycles::addExtender(&cycles::traverse<Root, Reach::OWN>, &cycles::extend<Root, Reach::OWN>);
}

/// The same, and a dying only owner first lets the object's contents go with LetGo, which answers
/// whether it let anything go.
template <class Root, bool (*LetGo)(Root&), Reach reach = Reach::OWN>
void collectCyclesThrough(const boost::python::object& pythonClass)
{
    collectCyclesThroughHeld<Root>();
    cycles::setHooks(pythonClass, &cycles::traverse<Root, reach>, &cycles::clearInstance,
                     &cycles::finalize<Root, LetGo>);
    cycles::addExtender(&cycles::traverse<Root, reach>, &cycles::extend<Root, reach>);
}

}
