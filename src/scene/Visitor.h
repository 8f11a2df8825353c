#pragma once
// The accept/visit pair over components, nodes and entities: a visitor is
// called once per element, and the visited class decides the walk.

namespace Tarnu
{

template <class T>
class Visitor
{
public:
    virtual ~Visitor() = default;
    virtual void visit(const T& element) = 0;
};

template <class T>
class Visitable
{
public:
    virtual ~Visitable() = default;
    virtual void accept(Visitor<T>& visitor) = 0;
};

}
