#include "core/SignedForm.h"

#include "util/Md5A.h"
#include "util/StringUtil.h"

SignedForm BuildSignedForm(const std::map<std::string, std::string>& params, const std::string& key) {
    SignedForm form;
    bool first = true;
    for (const auto& [name, value] : params) {
        const std::string encoded = UrlEncode(value);
        if (!first) {
            form.body += '&';
            form.signText += '&';
        }
        first = false;
        form.body += name + "=" + encoded;
        form.signText += name + "=" + ChangeCase(false, encoded);
    }
    form.signText += key;
    form.signature = CMd5A().GetStringMd5(form.signText);
    form.body += "&sign=" + form.signature;
    return form;
}
