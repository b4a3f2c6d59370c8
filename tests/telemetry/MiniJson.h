// Just enough of a JSON reader for the truth files beside the forged samples: objects,
// arrays, strings (with \" \\ \/ \n \t \uXXXX for ASCII), numbers, true, false, null.
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace mj {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;   // the string, or the number's own text
    std::vector<Value> items;
    std::map<std::string, Value> members;

    const Value &operator[](const std::string &key) const
    {
        static const Value none;
        const auto it = members.find(key);
        return it == members.end() ? none : it->second;
    }
    bool has(const std::string &key) const { return members.count(key) != 0; }
};

class Parser {
public:
    explicit Parser(const std::string &s) : m_s(s) {}
    bool parse(Value *out)
    {
        const bool ok = value(out);
        skip();
        return ok && m_i == m_s.size();
    }

private:
    void skip()
    {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\n' || m_s[m_i] == '\r' || m_s[m_i] == '\t'))
            ++m_i;
    }
    bool literal(const char *word)
    {
        const std::string w(word);
        if (m_s.compare(m_i, w.size(), w) != 0)
            return false;
        m_i += w.size();
        return true;
    }
    bool string(std::string *out)
    {
        if (m_s[m_i] != '"')
            return false;
        ++m_i;
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            char c = m_s[m_i++];
            if (c == '\\') {
                if (m_i >= m_s.size())
                    return false;
                const char e = m_s[m_i++];
                if (e == 'n')
                    c = '\n';
                else if (e == 't')
                    c = '\t';
                else if (e == 'r')
                    c = '\r';
                else if (e == 'u') {
                    if (m_i + 4 > m_s.size())
                        return false;
                    c = char(std::strtol(m_s.substr(m_i, 4).c_str(), nullptr, 16));
                    m_i += 4;
                } else
                    c = e;
            }
            out->push_back(c);
        }
        if (m_i >= m_s.size())
            return false;
        ++m_i;
        return true;
    }
    bool value(Value *v)
    {
        skip();
        if (m_i >= m_s.size())
            return false;
        const char c = m_s[m_i];
        if (c == '{') {
            v->kind = Value::Object;
            ++m_i;
            skip();
            if (m_s[m_i] == '}')
                return ++m_i, true;
            for (;;) {
                skip();
                std::string key;
                if (!string(&key))
                    return false;
                skip();
                if (m_s[m_i++] != ':')
                    return false;
                if (!value(&v->members[key]))
                    return false;
                skip();
                if (m_s[m_i] == ',') {
                    ++m_i;
                    continue;
                }
                return m_s[m_i++] == '}';
            }
        }
        if (c == '[') {
            v->kind = Value::Array;
            ++m_i;
            skip();
            if (m_s[m_i] == ']')
                return ++m_i, true;
            for (;;) {
                v->items.emplace_back();
                if (!value(&v->items.back()))
                    return false;
                skip();
                if (m_s[m_i] == ',') {
                    ++m_i;
                    continue;
                }
                return m_s[m_i++] == ']';
            }
        }
        if (c == '"') {
            v->kind = Value::String;
            return string(&v->text);
        }
        if (literal("true")) {
            v->kind = Value::Bool;
            v->boolean = true;
            return true;
        }
        if (literal("false")) {
            v->kind = Value::Bool;
            return true;
        }
        if (literal("null"))
            return true;
        const size_t start = m_i;
        while (m_i < m_s.size() && std::string("+-0123456789.eE").find(m_s[m_i]) != std::string::npos)
            ++m_i;
        if (m_i == start)
            return false;
        v->kind = Value::Number;
        v->text = m_s.substr(start, m_i - start);
        v->number = std::strtod(v->text.c_str(), nullptr);
        return true;
    }

    const std::string &m_s;
    size_t m_i = 0;
};

} // namespace mj
