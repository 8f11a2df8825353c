#pragma once
// One Python wrapper per engine object: handing out an entity, a node or a
// scene gives back the wrapper already alive for it, so that `is` holds
// between two look-ups and a script that keeps an entity in two places holds
// it once. It matters to the cycle collector too: a wrapper that is the only
// owner of its object can show what the object owns, and a second wrapper of
// the same object would make neither of them the only owner.
//
// The class is declared without a held type and this converter takes the
// place of the one Boost.Python would register; wrappers are remembered
// weakly and checked on use, so a dead one is replaced.
//
// A wrapper is a view of its object, which it holds as the engine does: handed
// back to the engine (a node added to a scene), it gives the engine the object
// itself, not a reference that keeps the wrapper alive. The engine keeps its
// objects and the script its wrappers, so a wrapper lives as long as the script
// keeps it, and the collector meets the engine's objects without a Python
// object between them (Boost.Python would hand the engine a pointer that holds
// the wrapper, which every scene then kept alive for each of its nodes).

#include <boost/python.hpp>
#include <boost/python/object/class_detail.hpp>
#include <boost/python/object/find_instance.hpp>
#include <boost/python/object/instance.hpp>

#include <memory>
#include <unordered_map>

namespace Tarnu
{

namespace detail
{

/// Forgets wrappers that have died, once the table has doubled since it last did.
void forgetDeadWrappers(std::unordered_map<const void*, PyObject*>& wrappers, std::size_t& sizeAfterSweep);

}

template <class T>
class OneWrapper
{
public:
    using Holder = boost::python::objects::pointer_holder<std::shared_ptr<T>, T>;

    static PyObject* convert(const std::shared_ptr<T>& object)
    {
        // Null and Python-made references were answered by Boost.Python before this is called.
        PyObject*& known = wrappers()[object.get()];
        if (known)
        {
            PyObject* wrapper = PyWeakref_GetObject(known);
            if (wrapper != Py_None && wraps(wrapper) == object.get())
                return Py_NewRef(wrapper);
            Py_CLEAR(known);
        }
        std::shared_ptr<T> copy = object;
        PyObject* wrapper = boost::python::objects::make_ptr_instance<T, Holder>::execute(copy);
        if (!wrapper)
            boost::python::throw_error_already_set();
        known = PyWeakref_NewRef(wrapper, nullptr);
        if (!known)
            PyErr_Clear();  // unremembered: the next look-up makes another wrapper, nothing worse
        else
            // Without a callback a weak reference holds nothing, so it can be in no cycle: the
            // collector need not look at it (a scene's worth of them in every young collection).
            PyObject_GC_UnTrack(known);
        static std::size_t sizeAfterSweep = 0;
        detail::forgetDeadWrappers(wrappers(), sizeAfterSweep);
        return wrapper;
    }

    static const PyTypeObject* get_pytype()
    {
        return boost::python::converter::registered<T>::converters.get_class_object();
    }

    /// The holder of a wrapper made here, which holds its object as the engine does; null for anything else.
    static void* heldByWrapper(PyObject* source)
    {
        if (!PyObject_TypeCheck(source, boost::python::objects::class_type().get()))
            return nullptr;
        boost::python::instance_holder* holder =
            reinterpret_cast<boost::python::objects::instance<>*>(source)->objects;
        return holder && typeid(*holder) == typeid(Holder) ? static_cast<void*>(holder) : nullptr;
    }

    static void constructFromWrapper(PyObject* /*source*/,
                                     boost::python::converter::rvalue_from_python_stage1_data* data)
    {
        void* storage =
            reinterpret_cast<boost::python::converter::rvalue_from_python_storage<std::shared_ptr<T>>*>(data)
                ->storage.bytes;
        auto* holder = static_cast<boost::python::instance_holder*>(data->convertible);
        new (storage) std::shared_ptr<T>(
            *static_cast<std::shared_ptr<T>*>(holder->holds(boost::python::type_id<std::shared_ptr<T>>(), false)));
        data->convertible = storage;
    }

private:
    static std::unordered_map<const void*, PyObject*>& wrappers()
    {
        static std::unordered_map<const void*, PyObject*> table;
        return table;
    }

    static const T* wraps(PyObject* wrapper)
    {
        return static_cast<const T*>(
            boost::python::objects::find_instance_impl(wrapper, boost::python::type_id<T>()));
    }
};

/// Hands out one wrapper per engine object of class T, and takes the object itself back from one;
/// call after T's class is made, so that the engine's conversion comes before the library's.
template <class T>
void wrapOncePerObject()
{
    boost::python::to_python_converter<std::shared_ptr<T>, OneWrapper<T>, true>();
    boost::python::converter::registry::insert(&OneWrapper<T>::heldByWrapper, &OneWrapper<T>::constructFromWrapper,
                                               boost::python::type_id<std::shared_ptr<T>>());
}

}
