#pragma once
// __copy__ and __deepcopy__ for classes held by value: both answer an
// independent copy (value types own no Python references, so the memo is unused).

#include <boost/python/object.hpp>

namespace Tarnu
{

template <class T>
T copyOf(const T& value)
{
    return value;
}

template <class T>
T deepCopyOf(const T& value, const boost::python::object& /*memo*/)
{
    return value;
}

}
