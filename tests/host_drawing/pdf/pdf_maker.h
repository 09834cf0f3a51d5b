// PDF files made by the tests: page contents (PDF operators, in points) in
// a whole file with its cross-reference table.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace tvk::pdf_test {

// Objects a test adds to a PDF: each refers to the k-th of them as "@k"
// (an indirect reference); `fonts` names the page's fonts among them.
struct ExtraObjects {
    std::vector<std::string> objects;
    std::vector<std::pair<std::string, size_t>> fonts;  // /NAME, the object's index
};

// A PDF of the given page contents (PDF operators, in points), each page
// 200 by 100 points unless `media_box` says otherwise, with Helvetica as /F1 and a 2 by 2 image as
// /Im1, and `extra` after them.
inline std::string pdf_of(const std::vector<std::string>& pages,
                          const std::string& media_box = "0 0 200 100",
                          const ExtraObjects& extra = {}) {
    std::vector<std::string> objects;
    std::string kids;
    const size_t first_page = 5;
    for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(first_page + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " +
                      std::to_string(pages.size()) + " >>");
    objects.push_back(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    objects.push_back(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray "
        "/BitsPerComponent 8 /Length 4 >>\nstream\n\x10\x80\x80\x10\nendstream");
    const size_t first_extra = first_page + 2 * pages.size();
    const auto reference = [first_extra](size_t k) {
        return std::to_string(first_extra + k) + " 0 R";
    };
    std::string fonts = "/F1 3 0 R";
    for (const auto& [name, k] : extra.fonts) fonts += " /" + name + " " + reference(k);
    for (size_t i = 0; i < pages.size(); ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [" + media_box + "] /Contents " +
                          std::to_string(first_page + 2 * i + 1) + " 0 R /Resources << /Font << " +
                          fonts + " >> /XObject << /Im1 4 0 R >> >> >>");
        objects.push_back("<< /Length " + std::to_string(pages[i].size()) + " >>\nstream\n" +
                          pages[i] + "\nendstream");
    }
    for (std::string o : extra.objects) {
        // In the dictionary only: a stream's data is left as it is.
        const auto data = [&o] { return std::min(o.find("stream"), o.size()); };
        for (size_t at = o.find('@'); at < data(); at = o.find('@', at)) {
            size_t end = at + 1;
            while (end < o.size() && std::isdigit(static_cast<unsigned char>(o[end]))) ++end;
            if (end == at + 1) {
                ++at;
                continue;
            }
            const std::string r = reference(std::stoul(o.substr(at + 1, end - at - 1)));
            o.replace(at, end - at, r);
            at += r.size();
        }
        objects.push_back(o);
    }
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const size_t o : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace tvk::pdf_test
