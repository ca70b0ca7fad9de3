#include "core/geometry/traversesums.h"

#include "core/geometry/closure.h"

#include <cmath>

namespace corvane {

void TraverseSums::addLeg(double bearing, double distance) {
    east_ += distance * std::sin(bearing);
    north_ += distance * std::cos(bearing);
    perimeter_ += distance;
    legs_.push_back({bearing, distance});
}

void TraverseSums::addArc(double chordBearing, double chordLength, double segment) {
    segments_ += segment;
    addLeg(chordBearing, chordLength);
}

double TraverseSums::closingDistance() const {
    return ClosingDistance(east_, north_);
}

double TraverseSums::closingBearing() const {
    return ClosingBearing(east_, north_);
}

std::string TraverseSums::ratioText() const {
    return ClosureRatioText(perimeter_, closingDistance());
}

double TraverseSums::signedArea() const {
    return SignedBowditchArea(east_, north_, perimeter_, segments_, legs_);
}

double TraverseSums::adjustedArea() const {
    return TwiceAdjustedArea(east_, north_, perimeter_, legs_) / 2 + segments_;
}

double TwiceAdjustedArea(double sumEast, double sumNorth, double totalLength,
                         const std::vector<Leg>& legs) {
    double dpd = 0, previousLatitude = 0, twiceArea = 0;
    for (const Leg& leg : legs) {
        const double d = leg.Distance;
        double departure = d * std::sin(leg.Bearing);
        double latitude = d * std::cos(leg.Bearing);
        if (sumEast != 0 && totalLength != 0)
            departure -= sumEast * d / totalLength;
        if (sumNorth != 0 && totalLength != 0)
            latitude -= sumNorth * d / totalLength;
        dpd = dpd + previousLatitude + latitude;
        previousLatitude = latitude;
        twiceArea += dpd * departure;
    }
    return twiceArea;
}

} // namespace corvane
