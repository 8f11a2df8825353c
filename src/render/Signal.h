#pragma once
// The render-permission signal and its slots. Components that may veto drawing
// (fog of war, scripts) connect a slot to a renderable's signal; the render
// manager draws the renderable only while every slot answers true. Neither end
// owns the other: each keeps raw pointers to the other and removes itself from
// the other when it is destroyed, so no connection outlives either end.
//
// Emitting calls out, possibly into a script that connects, disconnects or
// destroys slots meanwhile: it walks a snapshot and calls only the slots still
// connected when their turn comes. The caller keeps the signal's owner alive.

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace Tarnu
{

template <class Result, class Argument>
class Signal;

template <class Result, class Argument>
class Slot
{
public:
    Slot() = default;
    /// A copy starts unconnected: connections belong to one slot.
    Slot(const Slot&) {}
    Slot& operator=(const Slot&) { return *this; }
    virtual ~Slot() { disconnect(); }

    virtual Result operator()(Argument argument) = 0;

    /// Leaves every signal it is connected to.
    void disconnect()
    {
        const std::vector<Signal<Result, Argument>*> leaving = std::move(signals);
        signals.clear();
        for (Signal<Result, Argument>* signal : leaving)
            signal->forget(this);
    }

    std::size_t getNumSignals() const { return signals.size(); }

private:
    friend class Signal<Result, Argument>;

    void forget(Signal<Result, Argument>* signal) { std::erase(signals, signal); }

    std::vector<Signal<Result, Argument>*> signals;  // each removes itself when it goes
};

template <class Result, class Argument>
class Signal
{
public:
    using SlotType = Slot<Result, Argument>;

    Signal() = default;
    /// A copy starts with no slots: the original's vetoes are not the copy's.
    Signal(const Signal&) {}
    Signal& operator=(const Signal&) { return *this; }
    ~Signal() { disconnectAll(); }

    /// Connects a slot once; a null slot is ignored.
    void connect(SlotType* slot)
    {
        if (!slot || isConnected(slot))
            return;
        slots.push_back(slot);
        slot->signals.push_back(this);
    }

    void disconnect(SlotType* slot)
    {
        if (!isConnected(slot))
            return;
        forget(slot);
        slot->forget(this);
    }

    void disconnectAll()
    {
        const std::vector<SlotType*> leaving = std::move(slots);
        slots.clear();
        for (SlotType* slot : leaving)
            slot->forget(this);
    }

    std::size_t getNumSlots() const { return slots.size(); }
    bool isConnected(const SlotType* slot) const { return std::find(slots.begin(), slots.end(), slot) != slots.end(); }

    /// Every slot is asked, even after a refusal; the answer is the AND of theirs,
    /// true when none is connected.
    Result emit(Argument argument)
    {
        // Renderables usually carry a slot or two: the snapshot lives on the stack then.
        constexpr std::size_t INLINE = 8;
        std::array<SlotType*, INLINE> inlineSnapshot;
        std::vector<SlotType*> largeSnapshot;
        SlotType* const* snapshot = inlineSnapshot.data();
        const std::size_t count = slots.size();
        if (count > INLINE)
        {
            largeSnapshot = slots;
            snapshot = largeSnapshot.data();
        }
        else
            std::copy(slots.begin(), slots.end(), inlineSnapshot.begin());

        Result answer = true;
        for (std::size_t i = 0; i < count; ++i)
            if (isConnected(snapshot[i]))
                answer = (*snapshot[i])(argument) && answer;
        return answer;
    }

private:
    friend class Slot<Result, Argument>;

    void forget(SlotType* slot) { std::erase(slots, slot); }

    std::vector<SlotType*> slots;  // in connection order; each removes itself when it goes
};

/// The base through which an object carries one signal.
template <class Result, class Argument>
class SignalWrapper
{
public:
    void connect(Slot<Result, Argument>* slot) { signal.connect(slot); }
    void disconnect(Slot<Result, Argument>* slot) { signal.disconnect(slot); }
    void disconnectAll() { signal.disconnectAll(); }
    std::size_t getNumSlots() const { return signal.getNumSlots(); }
    Result emit(Argument argument) { return signal.emit(argument); }

private:
    Signal<Result, Argument> signal;
};

}
