#include "OlvaApp/ConditionsEditor/AttributeFamily.h"

#include <QCoreApplication>

#include <array>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::ConditionsEditor)
};

// Names, extensions, download sources and contents are texts.
class TextFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("text"); }

private:
    static constexpr std::array kAttrs{Attr::name, Attr::ext, Attr::source, Attr::contents};
};

class KindFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("pdf, image, movie, archive or a UTI"); }

private:
    static constexpr std::array kAttrs{Attr::kind};
};

class SizeFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("10 MB"); }

private:
    static constexpr std::array kAttrs{Attr::size};
};

class DateFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("2 weeks, or day, week, month, year"); }

private:
    static constexpr std::array kAttrs{Attr::added, Attr::created, Attr::modified, Attr::opened};
};

class TagFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("text"); }

private:
    static constexpr std::array kAttrs{Attr::tags};
};

}  // namespace

const AttributeFamily& familyOf(Attr attr)
{
    static const TextFamily text;
    static const KindFamily kind;
    static const SizeFamily size;
    static const DateFamily date;
    static const TagFamily tags;
    switch (attr) {
    case Attr::name:
    case Attr::ext:
    case Attr::source:
    case Attr::contents: return text;
    case Attr::kind: return kind;
    case Attr::size: return size;
    case Attr::added:
    case Attr::created:
    case Attr::modified:
    case Attr::opened: return date;
    case Attr::tags: return tags;
    }
    return text;
}

}  // namespace olva::app
