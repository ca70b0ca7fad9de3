#pragma once

#include <string>
#include <vector>

namespace corvane {

// One line of a traverse as the area sees it: its direction (radians; the chord's for an
// arc) and its length (metres; the chord's for an arc).
struct Leg {
    double Bearing = 0.0;
    double Distance = 0.0;
};

// The sums of a traverse, gathered leg by leg as it is walked: departures, latitudes, the
// perimeter (chords for arcs) and the arcs' segments; and what a closure makes of them. Every
// closure of the program (the traverse window, the summary and the plan report, area
// recalculation, the misclosure diagnosis) adds its legs here in the order it walks them, so
// all of them give the same figures for the same traverse.
class TraverseSums {
  public:
    // A straight leg: its direction in radians, its length in metres.
    void addLeg(double bearing, double distance);
    // An arc: its chord (direction in radians, length in metres) and the area between the
    // chord and the arc (negative for an arc turning left).
    void addArc(double chordBearing, double chordLength, double segment);

    double sumEast() const { return east_; }
    double sumNorth() const { return north_; }
    double perimeter() const { return perimeter_; }
    double segments() const { return segments_; }
    const std::vector<Leg>& legs() const { return legs_; }

    // The closing distance, bearing (packed) and ratio text, as ClosingDistance,
    // ClosingBearing and ClosureRatioText give them.
    double closingDistance() const;
    double closingBearing() const;
    std::string ratioText() const;

    // The Bowditch-adjusted area with the arcs' segments, signed (negative for a traverse
    // walked anticlockwise); fewer than three legs enclose no area and give 0.
    double signedArea() const;
    // The same for any number of legs: a lot of one line and one arc is all segment. The
    // traverse grid's closure gives this one.
    double adjustedArea() const;

  private:
    double east_ = 0.0;
    double north_ = 0.0;
    double perimeter_ = 0.0;
    double segments_ = 0.0;
    std::vector<Leg> legs_;
};

// Twice the area of a traverse after the Bowditch adjustment: each leg's departure and
// latitude lose their share of the misclosure in proportion to the leg's length, and the
// double parallel distances of the adjusted legs sum to twice the enclosed area.
double TwiceAdjustedArea(double sumEast, double sumNorth, double totalLength,
                         const std::vector<Leg>& legs);

} // namespace corvane
