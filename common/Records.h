// Helpers for fixed-layout binary records.
#pragma once
#include <bit>
#include <cstddef>
#include <type_traits>

static_assert(std::endian::native == std::endian::little,
              "binary records are read and written as little-endian memory images");

// Asserts the offset of a record field at compile time.
#define VS_OFFSET(Type, field, off) \
  static_assert(offsetof(Type, field) == (off), #Type "." #field " must lie at offset " #off)
#define VS_SIZE(Type, size) static_assert(sizeof(Type) == (size), #Type " must be " #size " bytes")
