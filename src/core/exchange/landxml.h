#pragma once

#include "core/base/result.h"
#include "core/files/contextparcels.h"
#include "core/files/curves.h"
#include "core/files/gridmarks.h"
#include "core/model/records.h"

#include <ctime>
#include <string>
#include <vector>

namespace corvane {

// Exchange of plans with other survey software as LandXML 1.2 (the cadastral profile that
// lodgement systems use): a plan's lines, arcs, parcels and point coordinates.

// A plan read from a LandXML file, ready to be written as a new plan's files.
struct ImportedPlan {
    std::vector<LineRecord> Lines;
    std::vector<CurveRecord> Curves;
    std::vector<std::string> Polygons;  // the polygons file's lines: the plan's own parcels
    std::vector<ContextParcel> Context; // the parcels the plan shows only in part
    std::vector<std::string> Report;    // the import report's lines
    // The map grid coordinates the file gives for its survey marks and control points, with
    // its zone and datum; no marks when the file names no map grid (no zone, no datum, no
    // map grid's EPSG code), as its coordinates may then be a local frame.
    GridMarks Grid;
    // The report names something left out of the plan or changed from what the file says
    // (points renumbered, observations skipped, parcels or edges missing, names rewritten...).
    bool Findings = false;
};

struct LandXmlImportOptions {
    // A parcel edge no observation measures gets a line computed from the points'
    // coordinates; otherwise it stays missing data.
    bool FillFromCoordinates = false;
};

// Reads a LandXML document (its text; fileName names it in messages). Elements are matched
// by local name, so any LandXML 1.x namespace reads. Refused, with the element and its line in
// the file, for malformed XML, a file without CgPoints, a point or setup reference to nothing,
// a figure that is no number, a unit LandXML does not know, a coordinate beyond any survey
// (over 1,000,000 km), or more ordinary points than a plan can number below its survey marks
// (error title "Import LandXML error"). A parcel whose identifier an earlier parcel has
// already is stored with "-2", "-3"... after it.
// Parcels proposed or created by the plan (or without a state) become its parcels, every
// one clockwise; the others (adjoining, existing...) its context parcels. Survey marks take
// their number from the point's oID or description, never from the monument's name.
Result<ImportedPlan> ImportLandXml(const std::string& text, const std::string& fileName,
                                   const LandXmlImportOptions& options);
Result<ImportedPlan> ImportLandXmlFile(const std::string& path,
                                       const LandXmlImportOptions& options);

// Writes the new plan BASE: BASE.lns, BASE.ply, BASE.cve (when there are arcs), BASE.ctx (when
// there are context parcels), BASE.grd (when marks have map grid coordinates) and the import
// report BASE-import.txt. Refused, writing nothing, when
// any file of the plan exists already.
Result<void> WriteImportedPlan(const ImportedPlan& plan, const std::string& base);

// The import report's file for a plan base.
std::string ImportReportPath(const std::string& base);

// A parcel's LandXML class and name from its identifier: the class the type code names and
// the identifier after the code ("AL12": Allotment "12"); a construction parcel keeps its
// whole identifier as its name. ParcelIdentifierOfLandXml is the way back: the class's type
// code before the name, or for any other class the name itself when it reads as a
// construction identifier (first letter C, no type code), else "CO" before it. A parcel this
// program exported keeps its identifier and area code whole in its <Feature code="Corvane">;
// the import takes them from there when they still agree with the parcel's class and name
// and the polygons file can hold them, and reports it when not.
struct LandXmlParcelName {
    std::string Class;
    std::string Name;
};
LandXmlParcelName LandXmlNameOfParcel(const std::string& identifier);
std::string ParcelIdentifierOfLandXml(const std::string& cls, const std::string& name);

// A plan as LandXML: units (metres, square metres, packed dd.mm.ss directions), every point
// (with coordinates when fixed in the group of lines that holds the most parcel corners), an
// instrument setup per point and an observation per line (a figure that is no valid bearing
// goes out as no azimuth, and is listed), and the parcels with their geometry, area and
// class: the plan's own as "proposed", the context parcels with their state. Each parcel
// carries its identifier and area code as the polygons file has them in a
// <Feature code="Corvane">, which the import takes before its class and name. A parcel is
// written when every corner has coordinates (and the plan's own close: three corners, or two
// with an arc between them); the others are listed, each with its reason ("AL3, no
// coordinates for point 17"). Names go out as UTF-8, a byte of an older file that is no
// UTF-8 read as Latin-1, control characters as blanks (noted). now: the date and time the
// file gives.
struct LandXmlExport {
    std::string Text;
    int PointsWithoutCoordinates = 0;         // of other groups or not fixed
    std::vector<std::string> BearingsLeftOut; // "3 - 4, 45.7000"
    std::vector<std::string> ParcelsLeftOut;  // "AL3, no coordinates for point 17"
    std::vector<std::string> Notes;           // context states written otherwise, names blanked
};
Result<LandXmlExport> ExportLandXml(const std::vector<LineRecord>& lines, const CurveTable& curves,
                                    const std::vector<std::string>& polygons,
                                    const std::vector<ContextParcel>& context,
                                    std::int32_t pointNumberLimit, const std::tm& now);

// What the surveyor must know of an export, one line each: the points written without
// coordinates, the lines written without their bearing and the parcels left out (each list
// under its heading, indented), the notes. Empty when the whole plan went out as it is.
std::vector<std::string> LandXmlExportFindings(const LandXmlExport& exported);

// Reads the plan's files (its context parcels too) and writes the LandXML document through
// the safe rewrite, dated now.
Result<LandXmlExport> ExportLandXmlFile(const std::string& planPath, const std::string& outPath,
                                        std::int32_t pointNumberLimit);

} // namespace corvane
