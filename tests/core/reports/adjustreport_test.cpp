#include "core/reports/adjustreport.h"

#include "core/cli/analysiscommands.h"
#include "core/model/bearing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvane {
namespace {

Observation distance(std::int32_t from, std::int32_t to, double metres, std::size_t line = 0) {
    Observation o;
    o.from = from;
    o.to = to;
    o.kind = ObservationKind::Distance;
    o.observed = metres;
    o.line = line;
    return o;
}

Observation bearing(std::int32_t from, std::int32_t to, const char* packed, std::size_t line = 0) {
    Observation o = distance(from, to, 0.0, line);
    o.kind = ObservationKind::Bearing;
    o.observed = BearingToRadians(packed);
    return o;
}

ObservationResult result(const Observation& o, double error, double w) {
    ObservationResult r;
    r.observation = o;
    r.error = error;
    r.w = w;
    r.flagged = std::fabs(w) > 3.29;
    return r;
}

// The sign of an estimated error is the user's whole guide to the mend: a distance booked
// 0.180 too long must read "too long", and a bearing booked too large "too far clockwise".
TEST(AdjustmentText, EstimatedErrorsSayWhichWayTheFigureIsOut) {
    EXPECT_EQ(EstimatedErrorText(result(distance(12, 13, 36.204), 0.1804, -9.71)),
              "distance of 12\xE2\x80\x93"
              "13: 36.204 is 0.180 m too long (w = 9.7)");
    EXPECT_EQ(EstimatedErrorText(result(distance(12, 13, 36.024), -0.1796, 9.66)),
              "distance of 12\xE2\x80\x93"
              "13: 36.024 is 0.180 m too short (w = 9.7)");
    EXPECT_EQ(EstimatedErrorText(result(bearing(44441, 7, "45.3020"), 32.4, 4.1)),
              "bearing of PM1\xE2\x80\x93"
              "7: 45.3020 is 32\xE2\x80\xB3 too far clockwise (w = 4.1)");
    EXPECT_EQ(EstimatedErrorText(result(bearing(3, 4, "120.0000"), -65.0, -5.0)),
              "bearing of 3\xE2\x80\x93"
              "4: 120.0000 is 1\xE2\x80\xB2"
              "05\xE2\x80\xB3 too far anticlockwise (w = 5.0)");
    EXPECT_EQ(EstimatedErrorText(result(bearing(3, 4, "10.0000"), 3 * 3600 + 62.0, 40.0)),
              "bearing of 3\xE2\x80\x93"
              "4: 10.0000 is 3\xC2\xB0"
              "01\xE2\x80\xB2"
              "02\xE2\x80\xB3 too far clockwise (w = 40.0)");
    Observation chord = distance(5, 6, 12.5);
    chord.arc = true;
    EXPECT_EQ(ObservationName(chord), "chord of 5\xE2\x80\x93"
                                      "6");
    chord.kind = ObservationKind::Bearing;
    EXPECT_EQ(ObservationName(chord), "chord bearing of 5\xE2\x80\x93"
                                      "6");
}

// The diagnosis is quoted only where it corrects the very figure flagged: the same line
// (not one whose label merely starts alike), the same figure (bearing or distance), and a
// typing slip rather than the closing line's own figure, which fits any leg.
TEST(AdjustmentText, TypingExplanationFitsOnlyTheFlaggedFigureOfTheSameLine) {
    PlanDiagnosis diagnosis;
    PlanFinding finding;
    finding.line = 4;
    finding.fix.column = ColDistance;
    finding.fix.kind = kTransposition;
    finding.fix.text = "line 12\xE2\x80\x93"
                       "13 distance probably 36.024 (entered 36.204): closes AL3 and AL4";
    diagnosis.findings.push_back(finding);
    ParcelDiagnosis parcel;
    parcel.identifier = "LT7";
    Correction closing;
    closing.column = ColBearing;
    closing.kind = kClosingLineFit;
    closing.text = "bearing of 12\xE2\x80\x93"
                   "13 probably 45.3100 (entered 45.3020)";
    Correction slip;
    slip.column = ColBearing;
    slip.kind = kDigitSlip;
    slip.text = "bearing of 21\xE2\x80\x93"
                "20 probably 225.3020 (entered 225.3120)";
    Correction longer;
    longer.column = ColDistance;
    longer.kind = kDigitSlip;
    longer.text = "distance of 12\xE2\x80\x93"
                  "130 probably 10.000 (entered 11.000)";
    parcel.candidates = {closing, slip, longer};
    diagnosis.parcels.push_back(parcel);

    EXPECT_EQ(TypingExplanation(distance(12, 13, 36.204, 4), diagnosis), finding.fix.text);
    EXPECT_EQ(TypingExplanation(bearing(12, 13, "45.3020", 4), diagnosis), "");
    EXPECT_EQ(TypingExplanation(distance(12, 13, 36.204, 9), diagnosis), "");
    // A parcel's candidate for the leg walked the other way round still names this line.
    EXPECT_EQ(TypingExplanation(bearing(20, 21, "45.3120", 2), diagnosis), "LT7: " + slip.text);
    EXPECT_EQ(TypingExplanation(distance(20, 21, 5.0, 2), diagnosis), "");
}

// One blunder drags the lines around it out too: the diagnosis is quoted only beside the
// line the blunder search takes out, never beside a sound line flagged through it.
TEST(AdjustmentText, DiagnosisIsQuotedOnlyBesideTheBlunderSearchsLines) {
    PlanAdjustment a;
    a.all.observations = {result(distance(12, 13, 36.204, 4), 0.18, -9.7),
                          result(distance(13, 14, 20.0, 7), -0.03, 4.0)};
    a.removed = {{a.all.observations[0].observation, -9.7, 0.18}};
    a.final.observations = {result(distance(13, 14, 20.0, 7), 0.0, 0.2)};
    PlanDiagnosis diagnosis;
    for (std::size_t line : {4u, 7u}) {
        PlanFinding finding;
        finding.line = line;
        finding.fix.column = ColDistance;
        finding.fix.kind = kDigitSlip;
        finding.fix.text = "fix of line " + std::to_string(line);
        diagnosis.findings.push_back(finding);
    }
    std::string text;
    for (const std::string& line : AdjustmentLines("D1", a, {}, diagnosis))
        text += line + "\n";
    EXPECT_NE(text.find("diagnosis: fix of line 4"), std::string::npos) << text;
    EXPECT_EQ(text.find("fix of line 7"), std::string::npos) << text;
    // The worst first.
    EXPECT_LT(text.find("distance of 12"), text.find("distance of 13"));
}

TEST(AdjustmentText, JsonHasTheShapeTheCommandLinePromises) {
    PlanAdjustment a;
    AdjustmentResult& r = a.all;
    r.converged = true;
    r.iterations = 3;
    r.seuw = 1.0412;
    r.dof = 17;
    r.chi2 = 18.43;
    r.chi2Lower = 7.5642;
    r.chi2Upper = 30.191;
    r.groups = {{1, 16}};
    AdjustedPoint p;
    p.number = 44441;
    p.east = 104.21549;
    p.north = -0.00001;
    p.sdEast = 0.004;
    p.sdNorth = 0.003;
    p.ellipseMajor = 0.005;
    p.ellipseMinor = 0.002;
    p.ellipseBearing = (45.5) * 3.14159265358979323846 / 180.0;
    r.points = {p};
    ObservationResult o = result(bearing(12, 13, "45.3020"), 0, -0.8);
    o.residual = -1.5;
    o.redundancy = 0.41;
    r.observations = {o};
    a.removed = {{distance(12, 13, 36.204), 9.71, 0.1804}};
    const std::string json = AdjustmentJson("D2\"04", a);
    EXPECT_EQ(json, "{\"plan\": \"D2\\\"04\", \"converged\": true, \"iterations\": 3, "
                    "\"seuw\": 1.041, \"dof\": 17,\n"
                    " \"chi2\": {\"value\": 18.430, \"lower\": 7.564, \"upper\": 30.191, "
                    "\"passed\": true},\n"
                    " \"groups\": [{\"fixed\": \"1\", \"points\": 16}],\n"
                    " \"points\": [\n"
                    "  {\"point\": \"PM1\", \"east\": 104.2155, \"north\": 0.0000, "
                    "\"sd_east\": 0.0040, \"sd_north\": 0.0030, \"ellipse\": {\"a\": 0.0050, "
                    "\"b\": 0.0020, \"bearing\": 45.3000}}],\n"
                    " \"observations\": [\n"
                    "  {\"from\": \"12\", \"to\": \"13\", \"kind\": \"bearing\", \"observed\": "
                    "45.3020, \"residual\": -1.50, \"redundancy\": 0.410, \"w\": -0.80, "
                    "\"flagged\": false}],\n"
                    " \"removed\": [\n"
                    "  {\"from\": \"12\", \"to\": \"13\", \"kind\": \"distance\", \"w\": 9.71, "
                    "\"error\": 0.1804}]}\n");
    EXPECT_EQ(GlobalTestText(AdjustmentResult{}), "No redundancy: nothing to test");
}

CommandLine adjustLine(std::vector<std::string> options) {
    options.insert(options.begin(), {"--adjust", "P"});
    return ParseCommandLine(options);
}

TEST(AdjustmentOptionsOption, WeightsAreTakenOnlyAsPositiveFigures) {
    auto given =
        AdjustmentOptionsOf(adjustLine({"--sigma-distance", "3,2", "--sigma-bearing", "5.5"}));
    ASSERT_TRUE(given.ok());
    EXPECT_EQ(given.value().distanceMm, 3.0);
    EXPECT_EQ(given.value().distancePpm, 2.0);
    EXPECT_EQ(given.value().bearingSeconds, 5.5);
    auto none = AdjustmentOptionsOf(adjustLine({}));
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.value().distanceMm, 5.0);
    EXPECT_EQ(none.value().distancePpm, 10.0);
    EXPECT_EQ(none.value().bearingSeconds, 10.0);
    EXPECT_TRUE(AdjustmentOptionsOf(adjustLine({"--sigma-distance", "5,0"})).ok());
    EXPECT_TRUE(AdjustmentOptionsOf(adjustLine({"--sigma-distance", "0,10"})).ok());
    // A weight of zero would divide by nothing; a figure with a unit or none at all would be
    // read as 0 by the program's number reader: each is refused, not guessed at.
    for (const char* bad : {"5", "0,0", "-1,10", "5,-1", "5mm,10", ",10", "5,", "nan,1"})
        EXPECT_FALSE(AdjustmentOptionsOf(adjustLine({"--sigma-distance", bad})).ok()) << bad;
    for (const char* bad : {"0", "-3", "ten", ""})
        EXPECT_FALSE(AdjustmentOptionsOf(adjustLine({"--sigma-bearing", bad})).ok()) << bad;
}

} // namespace
} // namespace corvane
