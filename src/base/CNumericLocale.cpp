#include "base/CNumericLocale.h"

namespace {

// The thread's own copy of the process locale with LC_NUMERIC "C", made on the
// thread's first scope and freed when the thread ends.
struct ThreadCNumeric {
    locale_t locale = static_cast<locale_t>(nullptr);
    ~ThreadCNumeric()
    {
        if (locale)
            freelocale(locale);
    }
    locale_t get()
    {
        if (!locale) {
            const locale_t base = duplocale(LC_GLOBAL_LOCALE);
            if (base) {
                locale = newlocale(LC_NUMERIC_MASK, "C", base);
                if (!locale)
                    freelocale(base);
            }
        }
        return locale;
    }
};

thread_local ThreadCNumeric t_cNumeric;

}  // namespace

void HoldCNumericLocale() { setlocale(LC_NUMERIC, "C"); }

CNumericLocaleScope::CNumericLocaleScope()
{
    if (const locale_t c = t_cNumeric.get())
        m_previous = uselocale(c);
}

CNumericLocaleScope::~CNumericLocaleScope()
{
    if (m_previous)
        uselocale(m_previous);
}
