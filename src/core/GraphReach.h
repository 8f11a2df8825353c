#pragma once
// Whether one node of a graph reaches another along its links, walked with a
// work list and a visited set, so that neither the depth of the graph nor its
// cycles cost more than one visit per node.

#include <unordered_set>
#include <vector>

namespace Tarnu
{

/// True when target is from itself or a node reached from it; forEachLink(node, visit)
/// calls visit with every node that node links to.
template <class Node, class ForEachLink>
bool reaches(const Node& from, const Node& target, ForEachLink forEachLink)
{
    std::vector<const Node*> open{&from};
    std::unordered_set<const Node*> seen{&from};
    while (!open.empty())
    {
        const Node* node = open.back();
        open.pop_back();
        if (node == &target)
            return true;
        forEachLink(*node, [&](const Node& next) {
            if (seen.insert(&next).second)
                open.push_back(&next);
        });
    }
    return false;
}

}
