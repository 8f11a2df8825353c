#pragma once
// An engine object lists the shared pointers it owns to a ReferenceVisitor, so
// that the Python bindings can show Python's cycle collector the cycles that
// run through the engine (a Python component that keeps its entity), and reach
// at the script's exit everything the script's objects hold. The rule
// that keeps this safe: list only members that hold strongly, each copy once.
// A reference left out keeps its cycle alive (a leak); a reference listed that
// the object does not hold could let the collector free a live object.

#include <memory>
#include <type_traits>
#include <typeinfo>

namespace Tarnu
{

class ReferenceVisitor
{
public:
    /// How to list what the object behind a reference owns in turn.
    using Explore = void (*)(const void* object, ReferenceVisitor& visitor);

    template <class T>
    void operator()(const std::shared_ptr<T>& reference)
    {
        if (!reference)
            return;
        // Read before the copy below adds itself to the count.
        const long useCount = reference.use_count();
        declared = &typeid(T);
        visit(std::shared_ptr<const void>(reference, static_cast<const void*>(reference.get())),
              mostDerived(reference.get()), useCount, explorerOf<T>());
    }

    /// Every reference of a container of shared pointers.
    template <class Range>
    void all(const Range& references)
    {
        for (const auto& reference : references)
            (*this)(reference);
    }

protected:
    ReferenceVisitor() = default;
    ~ReferenceVisitor() = default;

    /// One owned reference: `shared` shares its control block, `object` is the whole
    /// object it points into, useCount is how many owners the block had before
    /// `shared` was made.
    virtual void visit(const std::shared_ptr<const void>& shared, const void* object, long useCount,
                       Explore explore) = 0;

    /// The class the reference being visited was declared with (`shared` points to one), for a
    /// visitor that acts on what it reaches; read it inside visit.
    const std::type_info& declaredType() const { return *declared; }

private:
    const std::type_info* declared = &typeid(void);

    template <class T>
    static const void* mostDerived(const T* object)
    {
        if constexpr (std::is_polymorphic_v<T>)
            return dynamic_cast<const void*>(object);
        else
            return object;
    }

    template <class T>
    static Explore explorerOf()
    {
        static_assert(sizeof(T) > 0, "list references where their class is complete, or nothing is explored");
        if constexpr (requires(const T& object, ReferenceVisitor& visitor) { object.forEachOwned(visitor); })
            return [](const void* object, ReferenceVisitor& visitor) {
                static_cast<const T*>(object)->forEachOwned(visitor);
            };
        else
            return nullptr;
    }
};

}
