// Error helpers of the test-media generator (internal to tests/media).
#pragma once

#include <string>

namespace zentrova::test {

/// Throws std::runtime_error with `message`.
[[noreturn]] void Fail(const std::string& message);

/// Throws std::runtime_error "<action>: <library error text>" when `code` is
/// negative; returns `code` otherwise.
int Check(int code, const std::string& action);

/// Throws std::runtime_error "Library %s not loaded." unless the libraries
/// the generator calls are bound.
void RequireMediaLibraries();

}  // namespace zentrova::test
