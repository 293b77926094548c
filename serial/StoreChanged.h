#pragma once

// Stores a setting's new value; true where it differs from the old one, which the caller then applies.
template <typename T>
bool StoreChanged(T& field, T value) {
    if (field == value)
        return false;
    field = value;
    return true;
}
