// Mozilla User Preferences
user_pref("browser.startup.homepage", "about:blank");
