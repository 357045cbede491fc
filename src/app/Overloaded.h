#pragma once

namespace vireon {

// One visitor out of several lambdas, for std::visit over the supervisor's state.
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
// Spelled out for compilers without aggregate deduction (clang 14).
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace vireon
