// Headless Chromium as the browser test and the page benchmark start it:
// Debian's chromium-headless-shell (or the one $QUENDREL_CHROMIUM names),
// driven by the playwright-core that `npm ci` installs beside this file, in
// a window of 1280 x 800 with no GPU and nothing fetched in the background.
import { join } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

export const browserPath = process.env.QUENDREL_CHROMIUM || "/usr/bin/chromium-headless-shell";
export const playwrightPath = join(fileURLToPath(new URL(".", import.meta.url)), "node_modules", "playwright-core",
                                   "index.mjs");

// Playwright's chromium; throws when playwright-core is not installed.
export async function loadChromium() {
  return (await import(pathToFileURL(playwrightPath))).chromium;
}

// The options of chromium.launchPersistentContext.
export const launchOptions = {
  executablePath: browserPath,
  headless: true,
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  viewport: { width: 1280, height: 800 },
};
