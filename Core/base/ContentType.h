// A file's content type: a MIME type ("image/png"), or one of the well-known
// type identifiers ("public.image", "com.adobe.pdf") that stand for a family
// of MIME types. Backed by the shared-mime-info database.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace olva {

class ContentType {
public:
    // The MIME name, or the family identifier.
    const std::string& identifier() const { return identifier_; }

    // A well-known type identifier or a MIME name (aliases resolve to their
    // type); nothing for a name the database does not know.
    static std::optional<ContentType> named(std::string_view name);
    // The type a file-name extension stands for, when it names data.
    static std::optional<ContentType> forExtension(std::string_view extension);

    static ContentType image();
    static ContentType movie();
    static ContentType audio();
    static ContentType pdf();
    static ContentType text();
    static ContentType archive();
    static ContentType application();
    static ContentType diskImage();
    static ContentType spreadsheet();
    static ContentType presentation();

    // Whether this type is the other one, one of its subtypes, or a member
    // of the family it names.
    bool conformsTo(const ContentType& other) const;

    friend bool operator==(const ContentType&, const ContentType&) = default;

    // Made by the platform layer only; a name the database vouched for.
    explicit ContentType(std::string identifier) : identifier_(std::move(identifier)) {}

private:
    std::string identifier_;
};

}  // namespace olva
