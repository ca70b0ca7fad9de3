#include "core/exchange/gisexport.h"

#include "core/base/numtext.h"
#include "core/base/safewrite.h"
#include "core/exchange/gisfeatures.h"
#include "core/exchange/gisstyles.h"
#include "core/files/gridmarks.h"
#include "core/geometry/gridfit.h"

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace corvane {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTitle = "GIS export error";

Error failure(const std::string& message) {
    return Error{message, kTitle};
}

// GDAL reports its failures through a handler that prints them; the export says them to the
// user itself, so while it runs they are only kept as the last error.
struct QuietGdal {
    QuietGdal() {
        static std::once_flag registered;
        std::call_once(registered, [] { GDALAllRegister(); });
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;
};
std::string gdalReason() {
    const char* message = CPLGetLastErrorMsg();
    return message && *message ? message : "the GIS library gave no reason";
}

struct SrsDeleter {
    void operator()(OGRSpatialReferenceH srs) const { OSRDestroySpatialReference(srs); }
};
using Srs = std::unique_ptr<std::remove_pointer_t<OGRSpatialReferenceH>, SrsDeleter>;

// A map grid by its EPSG code: only a projected system in metres can hold the plan's east
// and north (a latitude and longitude system, an earth-centred one or one in feet would
// label the figures as what they are not).
Srs epsgSrs(int code) {
    Srs srs(OSRNewSpatialReference(nullptr));
    if (code <= 0 || OSRImportFromEPSG(srs.get(), code) != OGRERR_NONE)
        return nullptr;
    if (!OSRIsProjected(srs.get()) || std::fabs(OSRGetLinearUnits(srs.get(), nullptr) - 1.0) > 1e-9)
        return nullptr;
    OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

// A plan's own grid: east and north in metres from wherever the plan's coordinates start,
// tied to no datum.
Srs localSrs(const std::string& plan) {
    std::string name = plan;
    std::replace(name.begin(), name.end(), '"', '\'');
    const std::string wkt = "LOCAL_CS[\"" + name + " local plan grid\",LOCAL_DATUM[\"" + name +
                            " plan datum\",0],UNIT[\"metre\",1],AXIS[\"Easting\",EAST],"
                            "AXIS[\"Northing\",NORTH]]";
    Srs srs(OSRNewSpatialReference(nullptr));
    if (OSRSetFromUserInput(srs.get(), wkt.c_str()) != OGRERR_NONE)
        return nullptr;
    return srs;
}

std::string extensionOf(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// One field of a layer and how a feature fills it.
template <typename Feature> struct Field {
    const char* name;
    OGRFieldType type;
    std::function<void(OGRFeatureH, int, const Feature&)> set;
    bool boolean = false;
};

void setText(OGRFeatureH f, int i, const std::string& text) {
    if (text.empty())
        OGR_F_SetFieldNull(f, i);
    else
        OGR_F_SetFieldString(f, i, Latin1ToUtf8(text).c_str());
}
void setFigure(OGRFeatureH f, int i, const std::optional<double>& value) {
    if (value)
        OGR_F_SetFieldDouble(f, i, *value);
    else
        OGR_F_SetFieldNull(f, i);
}

const std::vector<Field<GisParcel>>& parcelFields() {
    static const std::vector<Field<GisParcel>> fields{
        {"parcel", OFTString, [](auto f, int i, auto& p) { setText(f, i, p.identifier); }},
        {"type", OFTString, [](auto f, int i, auto& p) { setText(f, i, p.type); }},
        {"stored_area", OFTReal, [](auto f, int i, auto& p) { setFigure(f, i, p.storedArea); }},
        {"computed_area", OFTReal, [](auto f, int i, auto& p) { setFigure(f, i, p.computedArea); }},
        {"area_code", OFTString, [](auto f, int i, auto& p) { setText(f, i, p.areaCode); }},
        {"misclosure", OFTReal, [](auto f, int i, auto& p) { setFigure(f, i, p.misclosure); }},
        {"ratio", OFTString, [](auto f, int i, auto& p) { setText(f, i, p.ratio); }},
        {"verdict", OFTString, [](auto f, int i, auto& p) { setText(f, i, p.verdict); }}};
    return fields;
}
const std::vector<Field<GisLine>>& lineFields() {
    static const std::vector<Field<GisLine>> fields{
        {"from", OFTString, [](auto f, int i, auto& l) { setText(f, i, l.from); }},
        {"to", OFTString, [](auto f, int i, auto& l) { setText(f, i, l.to); }},
        {"bearing", OFTString, [](auto f, int i, auto& l) { setText(f, i, l.bearing); }},
        {"distance", OFTReal, [](auto f, int i, auto& l) { setFigure(f, i, l.distance); }},
        {"radius", OFTReal, [](auto f, int i, auto& l) { setFigure(f, i, l.radius); }},
        {"class", OFTString, [](auto f, int i, auto& l) { setText(f, i, l.lineClass); }}};
    return fields;
}
const std::vector<Field<GisPoint>>& pointFields() {
    static const std::vector<Field<GisPoint>> fields{
        {"label", OFTString, [](auto f, int i, auto& p) { setText(f, i, p.label); }},
        {"mark_type", OFTString,
         [](auto f, int i, auto& p) { OGR_F_SetFieldString(f, i, p.markType.c_str()); }},
        {"fixed", OFTInteger, [](auto f, int i, auto& p) { OGR_F_SetFieldInteger(f, i, p.fixed); },
         true}};
    return fields;
}

class Writer {
  public:
    Writer(GDALDatasetH dataset, OGRSpatialReferenceH srs) : dataset_(dataset), srs_(srs) {}

    // A layer with its fields, or null with the reason kept.
    template <typename Feature>
    OGRLayerH layer(const char* name, OGRwkbGeometryType type,
                    const std::vector<const std::vector<Field<Feature>>*>& fieldSets,
                    char** options = nullptr) {
        OGRLayerH layer =
            GDALDatasetCreateLayer(dataset_, name, type == wkbNone ? nullptr : srs_, type, options);
        if (layer == nullptr)
            return nullptr;
        for (const auto* fields : fieldSets)
            for (const auto& field : *fields)
                if (!addField(layer, field.name, field.type, field.boolean))
                    return nullptr;
        return layer;
    }
    static bool addField(OGRLayerH layer, const char* name, OGRFieldType type, bool boolean) {
        OGRFieldDefnH definition = OGR_Fld_Create(name, type);
        if (boolean)
            OGR_Fld_SetSubType(definition, OFSTBoolean);
        const bool made = OGR_L_CreateField(layer, definition, TRUE) == OGRERR_NONE;
        OGR_Fld_Destroy(definition);
        return made;
    }

    // One feature: its geometry from WKT (none for empty text), its fields filled.
    bool add(OGRLayerH layer, const std::string& wkt,
             const std::function<void(OGRFeatureH)>& fill) {
        OGRFeatureH feature = OGR_F_Create(OGR_L_GetLayerDefn(layer));
        bool ok = true;
        if (!wkt.empty()) {
            std::string text = wkt;
            char* cursor = text.data();
            OGRGeometryH geometry = nullptr;
            ok = OGR_G_CreateFromWkt(&cursor, srs_, &geometry) == OGRERR_NONE;
            if (ok)
                OGR_F_SetGeometryDirectly(feature, geometry);
            else
                CPLError(CE_Failure, CPLE_AppDefined, "a shape of the plan is not valid: %s",
                         wkt.c_str());
        }
        fill(feature);
        ok = ok && OGR_L_CreateFeature(layer, feature) == OGRERR_NONE;
        OGR_F_Destroy(feature);
        return ok;
    }

    template <typename Feature>
    bool addAll(OGRLayerH layer, const std::vector<Feature>& features,
                const std::vector<Field<Feature>>& fields, int firstField = 0) {
        for (const Feature& item : features) {
            const bool added = add(layer, item.wkt, [&](OGRFeatureH f) {
                for (std::size_t k = 0; k < fields.size(); ++k)
                    fields[k].set(f, firstField + static_cast<int>(k), item);
            });
            if (!added)
                return false;
        }
        return true;
    }

  private:
    GDALDatasetH dataset_;
    OGRSpatialReferenceH srs_;
};

// The table QGIS reads a GeoPackage layer's default style from.
bool writeStyles(GDALDatasetH dataset) {
    char* options[] = {const_cast<char*>("FID=id"), nullptr};
    OGRLayerH styles = GDALDatasetCreateLayer(dataset, "layer_styles", nullptr, wkbNone, options);
    if (styles == nullptr)
        return false;
    const std::vector<std::pair<const char*, OGRFieldType>> columns{
        {"f_table_catalog", OFTString},
        {"f_table_schema", OFTString},
        {"f_table_name", OFTString},
        {"f_geometry_column", OFTString},
        {"styleName", OFTString},
        {"styleQML", OFTString},
        {"styleSLD", OFTString},
        {"useAsDefault", OFTInteger},
        {"description", OFTString},
        {"owner", OFTString},
        {"ui", OFTString},
        {"update_time", OFTDateTime}};
    for (const auto& [name, type] : columns)
        if (!Writer::addField(styles, name, type, std::string(name) == "useAsDefault"))
            return false;
    const std::vector<std::pair<const char*, std::string>> layers{
        {"parcels", ParcelsStyleQml()}, {"lines", LinesStyleQml()}, {"points", PointsStyleQml()}};
    for (const auto& [name, qml] : layers) {
        OGRFeatureH feature = OGR_F_Create(OGR_L_GetLayerDefn(styles));
        OGR_F_SetFieldString(feature, OGR_F_GetFieldIndex(feature, "f_table_catalog"), "");
        OGR_F_SetFieldString(feature, OGR_F_GetFieldIndex(feature, "f_table_schema"), "");
        OGR_F_SetFieldString(feature, OGR_F_GetFieldIndex(feature, "f_table_name"), name);
        OGR_F_SetFieldString(feature, OGR_F_GetFieldIndex(feature, "f_geometry_column"), "geom");
        OGR_F_SetFieldString(feature, OGR_F_GetFieldIndex(feature, "styleName"), name);
        OGR_F_SetFieldString(feature, OGR_F_GetFieldIndex(feature, "styleQML"), qml.c_str());
        OGR_F_SetFieldInteger(feature, OGR_F_GetFieldIndex(feature, "useAsDefault"), 1);
        OGR_F_SetFieldString(feature, OGR_F_GetFieldIndex(feature, "description"),
                             "As the plan view draws it");
        const bool added = OGR_L_CreateFeature(styles, feature) == OGRERR_NONE;
        OGR_F_Destroy(feature);
        if (!added)
            return false;
    }
    return true;
}

bool writeGeoPackage(GDALDatasetH dataset, OGRSpatialReferenceH srs, const GisLayers& layers) {
    Writer writer(dataset, srs);
    if (GDALDatasetStartTransaction(dataset, FALSE) != OGRERR_NONE)
        return false;
    OGRLayerH parcels = writer.layer<GisParcel>("parcels", wkbCurvePolygon, {&parcelFields()});
    OGRLayerH lines = writer.layer<GisLine>("lines", wkbCurve, {&lineFields()});
    OGRLayerH points = writer.layer<GisPoint>("points", wkbPoint, {&pointFields()});
    const bool written =
        parcels && lines && points && writer.addAll(parcels, layers.parcels, parcelFields()) &&
        writer.addAll(lines, layers.lines, lineFields()) &&
        writer.addAll(points, layers.points, pointFields()) && writeStyles(dataset);
    if (!written) {
        GDALDatasetRollbackTransaction(dataset);
        return false;
    }
    return GDALDatasetCommitTransaction(dataset) == OGRERR_NONE;
}

// GeoJSON holds one collection: every feature carries its layer's name in "layer", beside the
// fields of all three layers.
bool writeGeoJson(GDALDatasetH dataset, OGRSpatialReferenceH srs, const GisLayers& layers,
                  const std::string& name) {
    Writer writer(dataset, srs);
    static const std::vector<Field<GisParcel>> parcelLayer{
        {"layer", OFTString, [](auto f, int i, auto&) { OGR_F_SetFieldString(f, i, "parcels"); }}};
    OGRLayerH layer =
        writer.layer<GisParcel>(name.c_str(), wkbUnknown, {&parcelLayer, &parcelFields()});
    if (layer == nullptr)
        return false;
    const int parcelsAt = 1;
    const int linesAt = parcelsAt + static_cast<int>(parcelFields().size());
    for (const auto& field : lineFields())
        if (!Writer::addField(layer, field.name, field.type, field.boolean))
            return false;
    const int pointsAt = linesAt + static_cast<int>(lineFields().size());
    for (const auto& field : pointFields())
        if (!Writer::addField(layer, field.name, field.type, field.boolean))
            return false;
    auto tagged = [&](auto& features, auto& fields, int at, const char* layerName) {
        for (const auto& item : features) {
            const bool added = writer.add(layer, item.wkt, [&](OGRFeatureH f) {
                OGR_F_SetFieldString(f, 0, layerName);
                for (std::size_t k = 0; k < fields.size(); ++k)
                    fields[k].set(f, at + static_cast<int>(k), item);
            });
            if (!added)
                return false;
        }
        return true;
    };
    return tagged(layers.parcels, parcelFields(), parcelsAt, "parcels") &&
           tagged(layers.lines, lineFields(), linesAt, "lines") &&
           tagged(layers.points, pointFields(), pointsAt, "points");
}

void removeScratch(const std::string& scratch) {
    std::error_code ignored;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(fs::path(scratch + suffix), ignored);
}

// Writes the layers into a scratch file beside the target, then puts it in place: a failure
// at any step leaves the target as it was.
Result<void> writeWhole(const ReplaceTarget& target, bool geoPackage, OGRSpatialReferenceH srs,
                        const GisLayers& layers) {
    const std::string scratch = target.path + std::string(kNewFileMark) + NewFileToken() +
                                (geoPackage ? ".gpkg" : ".geojson");
    GDALDriverH driver = GDALGetDriverByName(geoPackage ? "GPKG" : "GeoJSON");
    if (driver == nullptr)
        return failure("Cannot write " + target.name + ": the GIS library has no " +
                       (geoPackage ? "GeoPackage" : "GeoJSON") + " writer");
    GDALDatasetH dataset = GDALCreate(driver, scratch.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    if (dataset == nullptr) {
        const std::string reason = gdalReason();
        removeScratch(scratch);
        return failure("Cannot write " + target.name + ": " + reason);
    }
    const bool written =
        geoPackage ? writeGeoPackage(dataset, srs, layers)
                   : writeGeoJson(dataset, srs, layers, fs::path(target.name).stem().string());
    const std::string reason = gdalReason();
    CPLErrorReset();
    GDALClose(dataset);
    const bool closed = CPLGetLastErrorType() < CE_Failure;
    if (!written || !closed) {
        const std::string why = written ? gdalReason() : reason;
        removeScratch(scratch);
        return failure("Cannot write " + target.name + ": " + why);
    }
    std::error_code ec;
    if (target.rights)
        fs::permissions(fs::path(scratch), *target.rights, ec);
    fs::rename(fs::path(scratch), fs::path(target.path), ec);
    if (ec) {
        removeScratch(scratch);
        return failure("Cannot write " + target.name + ": " + ec.message());
    }
    SyncFolder(FolderOf(target.path));
    return {};
}

} // namespace

Result<GisExportSummary> ExportGis(const PlanState& plan, const GisExportOptions& options) {
    if (plan.PlanPath.empty() || plan.PlanLines.empty())
        return failure("The plan has no lines to export");
    const std::string ext = extensionOf(options.out);
    if (ext != ".gpkg" && ext != ".geojson")
        return failure("Cannot export to " + options.out +
                       ": name a GeoPackage (.gpkg) or a GeoJSON file (.geojson)");
    const bool geoPackage = ext == ".gpkg";
    Result<ReplaceTarget> target = PrepareReplace(options.out);
    if (!target)
        return failure(target.error().message);
    const std::string folder = FolderOf(target.value().path);
    std::error_code ec;
    if (!fs::is_directory(fs::path(folder), ec))
        return failure("Cannot write " + options.out + ": the folder " + folder +
                       " does not exist");

    QuietGdal quiet;
    GisExportSummary summary;
    const std::string planName = fs::path(plan.PlanPath).filename().string();

    // The map grid: the fit onto the plan's known marks, when it has them.
    Result<GridMarks> marks = ReadGridMarks(plan.PlanPath);
    if (!marks)
        return failure(marks.error().message);
    std::optional<PlanGridFit> fit;
    if (!marks.value().marks.empty()) {
        Result<PlanGridFit> fitted = FitPlanToGrid(plan, marks.value().marks, GridFitOptions{});
        if (!fitted)
            return failure(fitted.error().message);
        summary.notes = fitted.value().fit.notes;
        if (fitted.value().fit.fitted)
            fit = std::move(fitted).value();
    }
    int epsg = options.epsg;
    if (epsg != 0 && !fit)
        return failure("Cannot export on EPSG:" + std::to_string(epsg) +
                       ": the plan is not fitted to the map grid (it needs two or more marks "
                       "with known grid coordinates); without --crs it is exported on its own "
                       "local grid");
    if (epsg == 0 && fit) {
        epsg = MapGridEpsg(marks.value().zone, marks.value().datum);
        if (epsg == 0)
            return failure("The map grid of the plan's marks is not known (zone " +
                           (marks.value().zone ? std::to_string(marks.value().zone) : "unknown") +
                           ", datum " +
                           (marks.value().datum.empty() ? "unknown" : marks.value().datum) +
                           "): choose it with --crs EPSG:N");
    }
    Srs srs = fit ? epsgSrs(epsg) : localSrs(planName);
    if (!srs)
        return failure(fit ? "EPSG:" + std::to_string(epsg) +
                                 " is not a map grid in metres the GIS library knows"
                           : "Cannot describe the plan's local grid: " + gdalReason());
    summary.crs = fit ? "EPSG:" + std::to_string(epsg) : "local (" + planName + ")";

    WholePlanDrawing drawing = PrepareWholePlanDrawing(plan.PlanLines, plan.PlanPath);
    for (const Error& problem : drawing.Problems)
        summary.notes.push_back(problem.message);
    GisPlacement placement;
    placement.map = [](double e, double n) { return std::pair{e, n}; };
    if (fit) {
        // The fitted part of the plan takes the fit's coordinates; a point of any other part
        // has no place on the map grid.
        const GridFit& grid = fit->fit;
        std::unordered_map<std::int32_t, const PointRecord*> fitted;
        for (const PointRecord& p : fit->points)
            fitted.emplace(p.Number, &p);
        std::int32_t group = -1;
        for (const MarkFit& mark : grid.marks)
            if (!mark.flagged && fitted.count(mark.number)) {
                group = fitted.at(mark.number)->Group;
                break;
            }
        for (PointRecord& p : drawing.Points) {
            auto it = fitted.find(p.Number);
            if (p.Number > 0 && it != fitted.end() && it->second->Fixed > 0 &&
                it->second->Group == group) {
                p.East = it->second->East;
                p.North = it->second->North;
            } else {
                p.Fixed = 0;
            }
        }
        placement.map = [&grid](double e, double n) { return grid.ToGrid(e, n); };
        placement.scale = grid.scale;
    } else if (Result<PlanPositions> best = BestPlanPositions(plan);
               best && best.value().source == "adjusted") {
        // The plan's best positions, as the fit takes them: the least-squares adjustment's, not
        // the builder's, whose positions follow whichever line reached a point first and so
        // carry the misclosures of the traverses they came by. They stand in the coordinate
        // file's frame: a point without one there (a scaled line's end) has no place in it.
        std::unordered_map<std::int32_t, const PointRecord*> placed;
        for (const PointRecord& p : best.value().points)
            placed.emplace(p.Number, &p);
        for (PointRecord& p : drawing.Points) {
            auto it = placed.find(p.Number);
            if (p.Number > 0 && it != placed.end() && it->second->Fixed > 0) {
                p.East = it->second->East;
                p.North = it->second->North;
            } else {
                p.Fixed = 0;
            }
        }
    }
    placement.place = [&placement](const PointRecord& p) {
        return std::optional(placement.map(p.East, p.North));
    };

    const std::string accuracy =
        options.accuracyClass.empty() ? "Surveyed Polygons" : options.accuracyClass;
    Result<ClosureSummaryResult> closure = ClosureSummary(0, plan, accuracy);
    if (!closure)
        summary.notes.push_back("No closure for the parcels: " + closure.error().message);
    GisLayers layers =
        CollectGisLayers(drawing, closure ? &closure.value() : nullptr, placement, geoPackage);
    summary.notes.insert(summary.notes.end(), layers.notes.begin(), layers.notes.end());
    if (!geoPackage) {
        summary.notes.push_back("GeoJSON holds no styles and no arcs: arcs are chords within "
                                "0.01 m, and the three layers are one collection told apart by "
                                "\"layer\"");
        if (!fit)
            summary.notes.push_back("GeoJSON cannot name a local grid: the coordinates are the "
                                    "plan's own, with no CRS");
    }

    if (Result<void> written = writeWhole(target.value(), geoPackage, srs.get(), layers); !written)
        return written.error();
    summary.parcels = layers.parcels.size();
    summary.lines = layers.lines.size();
    summary.points = layers.points.size();
    summary.leftOut = layers.leftOut;
    return summary;
}

} // namespace corvane
