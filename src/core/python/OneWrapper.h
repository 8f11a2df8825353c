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

#include <boost/python.hpp>
#include <boost/python/object/find_instance.hpp>

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
        static std::size_t sizeAfterSweep = 0;
        detail::forgetDeadWrappers(wrappers(), sizeAfterSweep);
        return wrapper;
    }

    static const PyTypeObject* get_pytype()
    {
        return boost::python::converter::registered<T>::converters.get_class_object();
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

/// Hands out one wrapper per engine object of class T; call after T's class is made.
template <class T>
void wrapOncePerObject()
{
    boost::python::to_python_converter<std::shared_ptr<T>, OneWrapper<T>, true>();
}

}
