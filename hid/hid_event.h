#pragma once

#include <functional>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace tavolo {

// An event handler slot of the HID classes: a callable with an identity.
//
// The controller hands its handlers on to its devices and later replaces them only
// on the devices that still carry the old one, so handlers must be comparable.
// Copies of one HidEvent compare equal; two events built separately from the same
// callable do not. An empty HidEvent is "not assigned".
template <class Signature>
class HidEvent;

template <class Result, class... Args>
class HidEvent<Result(Args...)> {
public:
    HidEvent() = default;
    HidEvent(std::nullptr_t) {}  // NOLINT: "no handler", as in SetReportHandler(nullptr)

    template <class Callable,
              class = std::enable_if_t<!std::is_same_v<std::decay_t<Callable>, HidEvent> &&
                                       !std::is_same_v<std::decay_t<Callable>, std::nullptr_t>>>
    HidEvent(Callable&& callable)  // NOLINT: implicit, so handlers are assigned like functions
    {
        std::function<Result(Args...)> function(std::forward<Callable>(callable));
        if (function)
            m_function = std::make_shared<const std::function<Result(Args...)>>(std::move(function));
    }

    explicit operator bool() const { return m_function != nullptr; }

    // Calls the handler; must be assigned.
    Result operator()(Args... args) const { return (*m_function)(std::forward<Args>(args)...); }

    friend bool operator==(const HidEvent& a, const HidEvent& b) { return a.m_function == b.m_function; }

private:
    std::shared_ptr<const std::function<Result(Args...)>> m_function;
};

}  // namespace tavolo
