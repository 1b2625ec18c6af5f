#pragma once
// Values of "LastErr": 0 after a successful call on the object, negative after a failure.

namespace lasterr {
constexpr long ok = 0;
constexpr long notFound = -1;           // no such domain or account, or the object's own one is gone
constexpr long nameTaken = -2;          // the name belongs to another domain or account already
constexpr long badName = -3;            // empty, or not usable as a directory name or list item
constexpr long badProperty = -4;        // not a property of this kind of object, or a value of the wrong type
constexpr long ioFailure = -5;          // the configuration could not be written; nothing changed
constexpr long directoryInTheWay = -6;  // a domain rename whose target directory exists already
constexpr long notInitialised = -7;     // an API object after "Done" and before "Init"
constexpr long badConfiguration = -8;   // the configuration files could not be read
}  // namespace lasterr
