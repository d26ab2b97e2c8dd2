#pragma once
// The one way the parts change a property: the field takes the value and its notify signal is
// emitted, only when the value really changes. Main thread, as the properties are.

namespace zelvorna {

template <typename Owner, typename T, typename Value>
void SetAndNotify(Owner* owner, T& field, const Value& value, void (Owner::*changed)()) {
    if (field == value)
        return;
    field = value;
    emit(owner->*changed)();
}

} // namespace zelvorna
