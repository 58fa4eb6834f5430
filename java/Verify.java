// The JVM verification class: prints the magic line, then for each argument the value of
// that system property, or "null" when it is not set, one per line and nothing else. The
// launcher runs it on every candidate JVM and compares the values with what a JVM file asks.
public class Verify {
    public static void main(String[] arguments) {
        StringBuilder out = new StringBuilder("1739021872\n");
        for (String name : arguments) {
            String value = System.getProperty(name);
            out.append(value == null ? "null" : value).append('\n');
        }
        System.out.print(out);
        System.out.flush();
    }
}
