#include "core/exchange/landxml.h"

#include "core/base/numtext.h"
#include "core/files/polygons.h"

namespace corvane {

namespace {

// The parcel classes of LandXML and the type codes of identifiers.
struct ParcelClass {
    const char* code;
    const char* name;
};
constexpr ParcelClass kClasses[] = {
    {"OB", "Outer Boundary"}, {"AL", "Allotment"}, {"PI", "Piece"}, {"LT", "Lot"},
    {"PT", "Part Lot"},       {"EA", "Easement"},  {"RD", "Road"},  {"RE", "Reserve"}};

} // namespace

LandXmlParcelName LandXmlNameOfParcel(const std::string& identifier) {
    const std::string cls = ParcelTypeName(identifier);
    if (cls == "Construction")
        return {cls, identifier};
    return {cls, identifier.substr(2)};
}

std::string ParcelIdentifierOfLandXml(const std::string& cls, const std::string& name) {
    for (const ParcelClass& c : kClasses)
        if (UpperCase(cls) == UpperCase(c.name))
            return c.code + name;
    // A parcel of any other class is a construction parcel. A name that already reads as a
    // construction identifier (Corvane's own "COBBL", "CX7", or a restriction such as
    // "CORST1-P1\PS619178") is kept whole; any other gets "CO" before it, so it draws as
    // construction and never passes for a lot or road by its first letters.
    if (!name.empty() && name[0] == 'C' && ParcelTypeName(name) == "Construction")
        return name;
    return "CO" + name;
}

} // namespace corvane
