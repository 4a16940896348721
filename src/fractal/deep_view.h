#pragma once

#include "big_float.h"
#include "view.h"

#include <optional>
#include <string>

namespace fractal {

// A point of the complex plane in high precision.
struct DeepPoint
{
    BigFloat x;
    BigFloat y;
};

// A view's corners as decimal text, each with enough digits to be read back
// exactly.
struct DeepViewText
{
    std::string xMin;
    std::string xMax;
    std::string yMin;
    std::string yMax;

    friend bool operator==(const DeepViewText&, const DeepViewText&) = default;
};

// The precision a view needs, from its corners alone: enough bits that its
// largest coordinate still resolves 1/4096 of a pixel step. Doubles are
// enough (53 bits) while the narrower side is at least 2^-31 times the
// largest power of two not above the largest coordinate's magnitude (a
// width of 2^-31, about 4.7e-10, for coordinates between 1 and 2); below
// that the corners gain a bit for every halving of the width. A collapsed
// view keeps the bits its corners have.
BigFloat::Bits RequiredPrecision(const BigFloat& xMin, const BigFloat& xMax, const BigFloat& yMin,
                                 const BigFloat& yMax);

// A view like View, with corners of any precision. All four corners have
// the view's precision, chosen from its width by RequiredPrecision; at 53
// bits every step of ToPlane and Magnify is the double computation, bit for
// bit.
class DeepView
{
public:
    // The whole set, as DefaultView.
    DeepView();
    // Exactly the double view's corners, and its side.
    explicit DeepView(const View& view);
    // The corners, rounded to the precision their width needs.
    DeepView(BigFloat xMin, BigFloat xMax, BigFloat yMin, BigFloat yMax);

    const BigFloat& XMin() const { return xMin_; }
    const BigFloat& XMax() const { return xMax_; }
    const BigFloat& YMin() const { return yMin_; }
    const BigFloat& YMax() const { return yMax_; }
    BigFloat::Bits Precision() const { return xMin_.Precision(); }
    // The picture's cells a side; the corners do not depend on it.
    int Side() const { return side_; }
    DeepView WithSide(int side) const
    {
        DeepView view = *this;
        view.side_ = side;
        return view;
    }

    // One cell's extent, as View's.
    BigFloat XStep() const;
    BigFloat YStep() const;

    // The double view with the same corners, when doubles are enough.
    std::optional<View> AsView() const;

    DeepViewText ToText() const;
    // nullopt unless all four are decimal numbers.
    static std::optional<DeepView> FromText(const DeepViewText& text);

    friend bool operator==(const DeepView&, const DeepView&) = default;

private:
    BigFloat xMin_;
    BigFloat xMax_;
    BigFloat yMin_;
    BigFloat yMax_;
    int side_ = PictureSide;
};

// The plane point under a position in picture coordinates, as ToPlane for
// doubles: x * XStep + XMin, y * YStep + YMin, at the view's precision.
DeepPoint ToPlane(const DeepView& view, float x, float y);

// The square view for a region dragged from one corner to another. The
// corners are ordered first; then the shorter side grows to the longer one
// away from the first corner, in the direction of the drag, so the square
// holds the dragged box and has the first corner as one of its corners.
DeepView Magnify(const DeepPoint& first, const DeepPoint& second, int side = PictureSide);

// The view magnified by factor (2 halves its sides, 0.5 doubles them) about
// the plane point under picture position (x, y), which stays under it; the
// side is kept.
DeepView ZoomAbout(const DeepView& view, float x, float y, double factor);

// The view moved by (dx, dy) cells, its extent and side kept.
DeepView Pan(const DeepView& view, float dx, float dy);

} // namespace fractal
