#pragma once

// What the LandXML reader and writer share: the feature in which a parcel keeps its own
// identifier and area code.

namespace corvane::landxml {

// The code of the feature in which the program keeps a parcel's own identifier and area code.
constexpr const char* kFeatureCode = "Corvane";
// An identifier kept in 8-bit Latin-1 in the plan's files goes out as UTF-8 with this
// property, so it comes back as the same bytes; one already in UTF-8 comes back as it is.
constexpr const char* kIdentifierEncoding = "identifierEncoding";
constexpr const char* kLatin1 = "ISO-8859-1";

} // namespace corvane::landxml
