#include "host/drawing/dxf/expand.h"

#include <algorithm>
#include <map>

#include "host/drawing/text/text.h"

namespace tvk::host {

namespace {

// Deeper nesting than this is refused: it multiplies the work and nothing
// real needs it.
constexpr int kMaxNesting = 32;

// What an INSERT hands down to the entities of its block.
struct Context {
    Affine m;
    int color = 7;                       // for BYBLOCK
    int32_t true_color = -1;             // for BYBLOCK
    SharedName linetype = "CONTINUOUS";  // for BYBLOCK
    const SharedName* layer = nullptr;   // for entities on layer 0; none at the top
    int depth = 0;
};

class Expander {
  public:
    Expander(const Drawing::Impl& d, const ExpandVisitor& v) : d_(d), v_(v) {}

    void entities(std::span<const Entity> list, const Context& ctx) {
        for (const Entity& e : list) entity(e, ctx);
    }

  private:
    void entity(const Entity& e, const Context& ctx) {
        // Entities of a block on layer 0 take the layer of the INSERT.
        static const SharedName kLayerZero = "0";
        const SharedName& layer_name = ctx.layer && e.layer == kLayerZero ? *ctx.layer : e.layer;
        const Layer& layer = d_.layer(layer_name);
        if (layer.frozen) return;
        int color = e.color == kByLayer ? layer.color : e.color == kByBlock ? ctx.color : e.color;
        int32_t true_color = e.true_color >= 0     ? e.true_color
                             : e.color == kByLayer ? layer.true_color
                             : e.color == kByBlock ? ctx.true_color
                                                   : -1;
        if (color < 1 || color > 255) color = 7;
        const SharedName linetype = e.linetype == kByLayerName   ? layer.linetype
                                    : e.linetype == kByBlockName ? ctx.linetype
                                                                 : e.linetype;
        if (const auto* ref = std::get_if<Boxed<BlockRef>>(&e.what)) {
            // An INSERT on a layer that is off still shows its entities on other layers.
            insert(**ref, ctx, {color, true_color}, linetype, layer_name, layer.off);
            return;
        }
        if (layer.off) return;
        if (const auto* unsupported = std::get_if<Unsupported>(&e.what)) {
            if (v_.unsupported) v_.unsupported(unsupported->type);
        } else if (v_.shape) {
            v_.shape(shape_of(e), ctx.m, color, true_color, linetype, layer_name);
        }
    }

    // The shape of an entity that draws; a segment or an arc alone is lent
    // one, filled anew each time, and a text is stroked into one.
    const Shape& shape_of(const Entity& e) {
        if (const auto* shape = std::get_if<Shape>(&e.what)) return *shape;
        if (const auto* text = std::get_if<Boxed<StrokedText>>(&e.what)) {
            text_ = text_shape((*text)->text, (*text)->ocs, *(*text)->font);
            return text_;
        }
        Element& element = alone_.traces.front().elements.front();
        if (const auto* s = std::get_if<Segment>(&e.what))
            element = *s;
        else
            element = std::get<EllipseArc>(e.what);
        return alone_;
    }

    struct Colours {
        int index;
        int32_t true_color;
    };

    void insert(const BlockRef& ref, const Context& ctx, Colours colours, SharedName linetype,
                const SharedName& layer, bool layer_off) {
        auto it = d_.blocks.find(ref.block);
        const bool inserts_itself =
            std::any_of(open_.begin(), open_.end(),
                        [&](const std::string* name) { return *name == ref.block; });
        if (it == d_.blocks.end() || inserts_itself || ctx.depth >= kMaxNesting) {
            if (layer_off) return;
            // Annotations whose picture is missing cannot be drawn from the
            // block; an INSERT's block is simply not there.
            if (it == d_.blocks.end() && ref.kind != "INSERT") {
                if (v_.unsupported) v_.unsupported(ref.kind);
            } else if (v_.broken_reference) {
                v_.broken_reference("block " + ref.block +
                                    (it == d_.blocks.end() ? " is missing"
                                     : inserts_itself      ? " inserts itself"
                                                           : " is nested too deeply"));
            }
            return;
        }
        const Block& block = it->second;
        if (block.external) {
            if (!layer_off && v_.unsupported) v_.unsupported("XREF");
            return;
        }
        Context child{{}, colours.index, colours.true_color, linetype, &layer, ctx.depth + 1};
        Affine local = Affine::scale(ref.sx, ref.sy) * Affine::translate(-1 * block.base);
        open_.push_back(&ref.block);
        for (int row = 0; row < ref.rows; ++row) {
            for (int col = 0; col < ref.cols; ++col) {
                Vec2 offset{col * ref.col_spacing, row * ref.row_spacing};
                child.m = ctx.m * ref.frame * Affine::translate(offset) * local;
                entities(block.entities, child);
            }
        }
        open_.pop_back();
    }

    const Drawing::Impl& d_;
    const ExpandVisitor& v_;
    Shape alone_{{Trace{{Segment{}}}}, false};
    Shape text_;
    std::vector<const std::string*> open_;  // the blocks being expanded, outermost first
};

class SizeCounter {
  public:
    static constexpr double kCurvePoints = 32;

    SizeCounter(const Drawing::Impl& d, double limit) : d_(d), limit_(limit) {}

    // What the entities draw; at the top, only what their block references
    // draw: the drawing's own entities are as many as its file holds.
    double count(const std::vector<Entity>& list, int depth) {
        double total = 0;
        for (const Entity& e : list) {
            if (depth > 0) total += weight(e);
            if (const auto* ref = std::get_if<Boxed<BlockRef>>(&e.what)) {
                double copies = std::max((*ref)->cols, 1) * double(std::max((*ref)->rows, 1));
                total += copies * block((*ref)->block, depth);
            }
            if (total >= limit_) return limit_;
        }
        return total;
    }

  private:
    // What an entity costs to draw: its points, a curve counting as the
    // points it is drawn with (a few dozen for a circle on paper).
    static double weight(const Entity& e) {
        if (std::holds_alternative<Segment>(e.what)) return 2;
        if (std::holds_alternative<EllipseArc>(e.what)) return kCurvePoints;
        if (const auto* text = std::get_if<Boxed<StrokedText>>(&e.what))
            return kCurvePoints * static_cast<double>((*text)->text.text.size());
        const auto* shape = std::get_if<Shape>(&e.what);
        if (!shape) return 1;
        double n = 0;
        for (const Trace& t : shape->traces) {
            for (const Element& element : t.elements) {
                if (const auto* line = std::get_if<Polyline>(&element))
                    n += static_cast<double>(line->points.size());
                else if (const auto* fit = std::get_if<FitCurve>(&element))
                    n += kCurvePoints * static_cast<double>(fit->points.size());
                else if (const auto* spline = std::get_if<BSpline>(&element))
                    n += kCurvePoints * static_cast<double>(spline->control.size());
                else if (std::holds_alternative<EllipseArc>(element))
                    n += kCurvePoints;
                else
                    n += 2;
            }
        }
        return std::max(n, 1.0);
    }

    double block(const std::string& name, int depth) {
        if (depth >= kMaxNesting) return 0;
        if (auto known = memo_.find(name); known != memo_.end()) return known->second;
        auto it = d_.blocks.find(name);
        double n = it == d_.blocks.end() ? 0 : count(it->second.entities, depth + 1);
        memo_[name] = n;
        return n;
    }

    const Drawing::Impl& d_;
    double limit_;
    std::map<std::string, double> memo_;
};

}  // namespace

const Layer& Drawing::Impl::layer(const std::string& name) const {
    static const Layer fallback;
    auto it = layers.find(name);
    return it == layers.end() ? fallback : it->second;
}

void expand(const Drawing::Impl& drawing, const ExpandVisitor& visitor) {
    Expander(drawing, visitor).entities(drawing.entities, Context{});
}

void expand(const Drawing::Impl& drawing, std::span<const Entity> entities, const Affine& m,
            const ExpandVisitor& visitor) {
    Context top;
    top.m = m;
    Expander(drawing, visitor).entities(entities, top);
}

std::size_t expanded_size(const Drawing::Impl& drawing, std::size_t limit) {
    double n = SizeCounter(drawing, static_cast<double>(limit)).count(drawing.entities, 0);
    return n >= static_cast<double>(limit) ? limit : static_cast<std::size_t>(n);
}

}  // namespace tvk::host
