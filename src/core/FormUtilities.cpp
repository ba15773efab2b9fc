#include "core/FormUtilities.h"

#include "platform/forms/FormsRuntime.h"

void CloseAllWindows()
{
    // A form's unload may unload others (its own dialogs): each is looked at in
    // its place in the list as it was, and skipped when it has gone meanwhile.
    const std::vector<Form*> forms = LoadedForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        Form* form = *it;
        if (!IsFormLoaded(form))
            continue;
        if (form->Name() != kMainWindowFormName && form->Name() != kLogonWindowFormName)
            Unload(form);
    }
}
