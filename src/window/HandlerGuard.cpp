#include "window/HandlerGuard.h"

#include <QtGlobal>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#if __has_include(<cxxabi.h>)
#include <cxxabi.h>
#define DIMRIX_HAS_CXXABI 1
#endif

namespace dimrix::window {

namespace {

// The source-code name of a type where the compiler can tell it, else its raw name.
std::string TypeName(const std::type_info& type) {
#ifdef DIMRIX_HAS_CXXABI
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    if (status == 0 && readable) {
        return readable.get();
    }
#endif
    return type.name();
}

}  // namespace

std::string HandlerGuard::Describe(const std::exception_ptr& escaped) {
    try {
        std::rethrow_exception(escaped);
    } catch (const std::exception& error) {
        return TypeName(typeid(error)) + ": " + error.what();
    } catch (...) {
        return "an exception that is no std::exception";
    }
}

void HandlerGuard::Fail(const std::exception_ptr& escaped) noexcept {
    // qFatal writes the message and aborts; no handler of Qt's runs any more.
    qFatal("Dimrix stops: a panel handler let an exception escape (%s)", Describe(escaped).c_str());
}

}  // namespace dimrix::window
