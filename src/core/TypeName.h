#pragma once
// Type names as the engine's messages print them: "class Tarnu::LogManager",
// "enum Tarnu::SceneNode::TransformSpace", or a built-in's plain name such as
// "double" or "unsigned int". Game scripts compare these texts, so they must not
// depend on the compiler's mangling.

#include <string>
#include <type_traits>
#include <typeinfo>

namespace Tarnu
{

/// The demangled name of a type, without a class or enum prefix.
std::string demangledName(const std::type_info& type);

template <class T>
std::string typeName()
{
    using Bare = std::remove_cv_t<std::remove_reference_t<T>>;
    const std::string name = demangledName(typeid(Bare));
    if constexpr (std::is_enum_v<Bare>)
        return "enum " + name;
    else if constexpr (std::is_class_v<Bare>)
        return "class " + name;
    else
        return name;
}

}
