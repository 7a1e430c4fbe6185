# Writes a header with one struct per window that finds every control of the window's forms by
# its object name, typed as the forms declare it. Tests and tools reach the controls through it,
# so the forms' generated headers stay private to the ui library.
#   zenta_form_controls(<output header> <struct name> <form.ui>...)
# The first form is the window's own; a control that a later form names again (the top-level
# widget of a panel's own form) keeps the first form's class.
function(zenta_form_controls output struct)
    set(seen "")
    set(members "")
    set(inits "")
    foreach(form IN LISTS ARGN)
        file(STRINGS "${form}" lines REGEX "<widget class=\"[A-Za-z]+\" name=\"[A-Za-z0-9_]+\"")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${form}")
        foreach(line IN LISTS lines)
            string(REGEX MATCH "<widget class=\"([A-Za-z]+)\" name=\"([A-Za-z0-9_]+)\"" _ "${line}")
            set(class "${CMAKE_MATCH_1}")
            set(name "${CMAKE_MATCH_2}")
            if(name IN_LIST seen)
                continue()
            endif()
            list(APPEND seen "${name}")
            string(APPEND members "    ${class} *${name} = find<${class}>(\"${name}\");\n")
        endforeach()
    endforeach()
    file(CONFIGURE OUTPUT "${output}" CONTENT "// Generated from the forms by FormControls.cmake; do not edit.
#pragma once

#include \"athletesbox.h\"
#include \"courseview.h\"
#include \"helppanel.h\"
#include \"resultsgrid.h\"
#include \"runfiguresbox.h\"
#include \"setuppanel.h\"
#include \"startscreen.h\"
#include \"tablesbox.h\"
#include \"widgets.h\"

#include <QChartView>
#include <QtWidgets>

struct ${struct}
{
    explicit ${struct}(QWidget *window) : m_window(window) {}

    template <typename T> T *find(const char *name) const
    {
        T *control = m_window->objectName() == QLatin1String(name)
                         ? qobject_cast<T *>(m_window)
                         : m_window->findChild<T *>(QLatin1String(name));
        if (!control)
            qFatal(\"${struct}: no control %s\", name);
        return control;
    }

private:
    QWidget *m_window;

public:
${members}};
" @ONLY)
endfunction()
