#include "OlvaApp/ConditionsEditor/AttributeFamily.h"

#include <QCoreApplication>

#include <algorithm>
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
    QString valueDescription() const override { return Words::tr("The text to compare with"); }

private:
    static constexpr std::array kAttrs{Attr::name, Attr::ext, Attr::source, Attr::contents};
};

class KindFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("pdf, image, movie, archive or a UTI"); }
    QString valueDescription() const override
    {
        return Words::tr("A kind of file: pdf, image, movie, archive or a UTI");
    }

private:
    static constexpr std::array kAttrs{Attr::kind};
};

class SizeFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("10 MB"); }
    QString valueDescription() const override { return Words::tr("A size with its unit, such as 10 MB"); }

private:
    static constexpr std::array kAttrs{Attr::size};
};

class DateFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("2 weeks, or day, week, month, year"); }
    QString valueDescription() const override
    {
        return Words::tr("A span of time, such as 2 weeks, or one of day, week, month, year");
    }

private:
    static constexpr std::array kAttrs{Attr::added, Attr::created, Attr::modified, Attr::opened};
};

class TagFamily final : public AttributeFamily {
public:
    std::span<const Attr> attributes() const override { return kAttrs; }
    QString placeholder() const override { return Words::tr("text"); }
    QString valueDescription() const override { return Words::tr("A tag name"); }

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
    // Each family's own list says which attributes it holds, so that no
    // second table could give an attribute to another family.
    static const std::array<const AttributeFamily*, 5> families{&text, &kind, &size, &date, &tags};
    for (const AttributeFamily* family : families)
        if (std::ranges::find(family->attributes(), attr) != family->attributes().end()) return *family;
    return text;
}

}  // namespace olva::app
