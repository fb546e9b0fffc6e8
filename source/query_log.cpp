// Placeholder bodies of the query log, replaced when it is built.
#include "mdxgen/query_log.h"

MDXQueryLog::MDXQueryTimer::MDXQueryTimer() : start_(0) {}
MDXQueryLog::MDXQueryTimer::~MDXQueryTimer() = default;
double MDXQueryLog::MDXQueryTimer::elapsedSeconds() const { return 0; }
MDXQueryLog::MDXQueryLog(const VelaString& prefix) : prefix_(prefix) {}
MDXQueryLog::MDXQueryLog(const MDXQueryLog& other) : prefix_(other.prefix_) {}
MDXQueryLog& MDXQueryLog::operator=(const MDXQueryLog&) { return *this; }
MDXQueryLog::~MDXQueryLog() = default;
bool MDXQueryLog::open(const VelaString&) { return false; }
void MDXQueryLog::logMessage(const VelaString&) {}
void MDXQueryLog::timeQuery(MDXQueryTimer**) {}
void MDXQueryLog::logQuery(const MDXQuery*, MDXQueryTimer*) {}
