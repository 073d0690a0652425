#pragma once

#include <vector>

#include "EdgePoints.h"

// How sharply the points line up across a direction. The points are turned by
// the angle (degrees, clockwise on the screen: a point (x, y) goes to
// y' = x sin a + y cos a) and counted into rows of binSize reduced pixels,
// each point split between its two nearest rows so that the measure changes
// smoothly with the angle. The measure is the sum of the squared differences
// between neighbouring rows: lines that lie along the rows make tall, narrow
// peaks, while the outline of the whole cloud (a picture, the page) adds
// little, so an upright crop of a skewed page does not pull towards 0.
double ProfileSharpness(const EdgePoints& points, double angle, float binSize);

// ProfileSharpness at each angle, spread over threads.
std::vector<double> ProfileSharpness(const EdgePoints& points, const std::vector<double>& angles,
                                     float binSize);

// The abscissa of the vertex of the parabola fitted by least squares through
// the samples (x[i], y[i]); the middle sample's x when the fit has no maximum
// or its vertex lies outside the samples.
double ParabolaPeak(const std::vector<double>& x, const std::vector<double>& y);
