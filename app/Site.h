// The program's web site and its authors' address. The site has no address
// of its own yet: these stand under a reserved domain, which no one answers,
// and must be set before a release. The site may serve them over https, or
// redirect its http addresses there. The mailto: links of the built-in
// commands, the census letter and the error report carry the e-mail address
// in their own texts.
#pragma once

namespace site {

constexpr char kHomePage[] = "http://vestun.example.org/";
constexpr char kNewVersionPage[] = "http://vestun.example.org/new.html";
constexpr char kVersionFile[] = "http://vestun.example.org/version.txt";
// The authors' address, as "О программе" shows it.
constexpr char kAuthorMail[] = "vestun@example.org";

}  // namespace site
